#include "common/QtTranslations.h"
#include "core/PayrollDatabase.h"
#include "core/ProgramIni.h"
#include "core/Version.h"
#include "gateway/GatewaySettings.h"
#include "kwpctl/Commands.h"
#include "kwpctl/KwpctlTexts.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
QList<Command> commands() {
    return {previewCommand(),   execCommand(),    exportCommand(), logonCommand(),
            wageTypesCommand(), journalCommand(), profileCommand()};
}

QString overview() {
    QString text = QStringLiteral("Aufruf: kwpctl BEFEHL [OPTIONEN]\n\n"
                                  "KWP-Import ohne Fenster. Befehle:\n");
    for (const Command &command : commands())
        text += QStringLiteral("  kwpctl %1 %2\n      %3\n")
                    .arg(command.name, command.synopsis, command.summary);
    text += QStringLiteral("\n  kwpctl --version       die Version\n"
                           "  kwpctl BEFEHL --help   die Optionen eines Befehls\n\n"
                           "Das Passwort der Anmeldung steht in der Umgebungsvariablen "
                           "KWP_PASSWORD.\n"
                           "Rückgabewerte: 0 erfolgreich, 1 vom ERP-Server abgelehnt, "
                           "2 jeder andere Fehler.\n");
    return text;
}

QString usage(const Command &command) {
    QString text = QStringLiteral("Aufruf: kwpctl %1 %2\n\n%3.\n\nOptionen:\n")
                       .arg(command.name, command.synopsis, command.summary);
    for (const QCommandLineOption &option : command.options)
        text += QStringLiteral("  --%1 %2\n      %3\n")
                    .arg(option.names().first(), option.valueName(), option.description())
                    .replace(QStringLiteral(" \n"), QStringLiteral("\n"));
    return text;
}

int print(const QString &text, int code) {
    QTextStream(code == Success ? stdout : stderr) << text;
    return code;
}
} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    // The parser's own error texts appear in the messages.
    installGermanQtTexts(app, QCoreApplication::applicationDirPath());
    QCoreApplication::setApplicationName(QStringLiteral("kwpctl"));
    QCoreApplication::setApplicationVersion(QLatin1String(versionText));
    const QStringList arguments = app.arguments();
    const QString first = arguments.value(1);
    if (first == QLatin1String("--version") || first == QLatin1String("-v"))
        return print(QStringLiteral("kwpctl %1\n").arg(QLatin1String(versionText)), Success);
    if (first == QLatin1String("--help") || first == QLatin1String("-h"))
        return print(overview(), Success);

    for (const Command &command : commands()) {
        if (command.name != first)
            continue;
        QCommandLineParser parser;
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
        parser.addOption(help);
        parser.addOptions(command.options);
        // The command's name stands where the parser expects the program's.
        if (!parser.parse(arguments.mid(1))) {
            const QStringList unknown = parser.unknownOptionNames();
            const QString problem =
                unknown.isEmpty()
                    ? QStringLiteral("Fehlerhafte Angaben: %1").arg(parser.errorText())
                    : QStringLiteral("Unbekannte Option \u201E--%1\u201C.").arg(unknown.first());
            return print(problem + QStringLiteral("\n\n") + usage(command), Failure);
        }
        if (parser.isSet(help))
            return print(usage(command), Success);
        // Every option is checked before anything is opened or sent.
        const QStringList given = parser.optionNames();
        for (const QString &name : given)
            if (given.count(name) > 1)
                return print(KwpctlTexts::optionTwice(name) + QStringLiteral("\n\n") +
                                 usage(command),
                             Failure);
        if (const QString problem = optionProblem(parser); !problem.isEmpty())
            return print(problem + QStringLiteral("\n\n") + usage(command), Failure);
        const ProgramIni ini = loadProgramIni();
        if (!ini.ok())
            return print(ini.error + QLatin1Char('\n'), Failure);
        CommandContext context(parser, usage(command));
        ini.applyTo(context.session);
        return command.run(context);
    }
    return print(
        first.isEmpty()
            ? overview()
            : QStringLiteral("Unbekannter Befehl \u201E%1\u201C.\n\n%2").arg(first, overview()),
        Failure);
}
