#include "app/MainOptions.h"

MainOptions parseMainOptions(const QStringList &arguments) {
    MainOptions options;
    QString db;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--db") && i + 1 < arguments.size())
            db = arguments.at(++i);
        else if (argument.startsWith(QLatin1String("--db=")))
            db = argument.mid(5);
        else
            options.rest.append(argument);
    }
    options.payrollSource = db.isEmpty() ? payrollSourceFromIni() : payrollSourceFromOption(db);
    return options;
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
