#include "app/MainOptions.h"

MainOptions parseMainOptions(const QStringList &arguments) {
    MainOptions options;
    QString db;
    bool onlyValues = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (onlyValues || !argument.startsWith(QLatin1String("--"))) {
            options.rest.append(argument);
        } else if (argument == QLatin1String("--")) {
            onlyValues = true;
        } else if (argument == QLatin1String("--db") && i + 1 < arguments.size()) {
            db = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--db="))) {
            db = argument.mid(5);
        } else if (argument == QLatin1String("--help")) {
            options.action = MainOptions::Action::Help;
        } else if (argument == QLatin1String("--version")) {
            options.action = MainOptions::Action::Version;
        } else {
            options.action = MainOptions::Action::Usage;
            options.problem =
                QStringLiteral("Unbekannte oder unvollständige Option \u201E%1\u201C.")
                    .arg(argument);
            return options;
        }
    }
    if (options.action != MainOptions::Action::Run)
        return options;
    options.payrollSource = db.isEmpty() ? payrollSourceFromIni() : payrollSourceFromOption(db);
    return options;
}

QString mainUsage() {
    return QStringLiteral(
        "Aufruf: kwp-import [--db DB] [FIRMA FILIALE WIRTSCHAFTSJAHR PASSWORT SERVERPROFIL]\n"
        "\n"
        "Überträgt die Lohnzeilen einer Periode aus der Lohndatenbank an den ERP-Server.\n"
        "Ohne Anmeldewerte gilt die zuletzt gespeicherte Anmeldung; passt sie nicht, fragt das\n"
        "Anmeldefenster danach.\n"
        "\n"
        "Optionen:\n"
        "  --db DB     Lohndatenbank: eine SQLite-Datei oder \u201Eodbc:\u201C und eine\n"
        "              Verbindungszeichenfolge (sonst die der INI-Datei kwp-import.ini).\n"
        "  --          alles danach sind Anmeldewerte (für ein Passwort, das mit -- beginnt).\n"
        "  --help      diese Hilfe.\n"
        "  --version   die Version.\n"
        "\n"
        "Ohne Fenster: kwpctl --help.\n");
}

bool displayAvailable() {
#if defined(Q_OS_LINUX)
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

QString noDisplayText() {
    return QStringLiteral("Es ist keine grafische Oberfläche verfügbar (weder DISPLAY noch "
                          "WAYLAND_DISPLAY ist gesetzt); das Programmfenster kann nicht angezeigt "
                          "werden. Die Vorschau zeigt \u201Ekwpctl preview\u201C auch ohne "
                          "Bildschirm.");
}
