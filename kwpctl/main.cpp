#include "app/PayrollDatabase.h"
#include "gateway/GatewaySettings.h"
#include "kwpctl/Commands.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
int usage() {
    QTextStream(stderr) << "Aufruf:\n"
                           "  kwpctl preview --db DB --period P [--clients 3,999]\n"
                           "  kwpctl exec --profile NAME 'LINE'\n"
                           "  kwpctl export --db DB --profile NAME --period P [--clients 3,999]\n"
                           "  kwpctl wagetypes [--dump | --restore FILE | --unassigned --period P "
                           "[--clients 3,999]] [--db DB] --profile NAME\n";
    return 2;
}
} // namespace

int main(int argc, char *argv[]) {
    // The export uses the same progress window machinery without a display; a plain
    // QCoreApplication is enough for every command.
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    const QString command = arguments.takeFirst();
    // Profile directory, character set and time-outs of the ERP server, as the program uses them.
    for (const QString &problem : loadGatewaySettings(payrollIniPath()))
        QTextStream(stderr) << "kwpctl: " << problem << '\n';
    if (command == QLatin1String("preview"))
        return runPreviewCommand(arguments);
    if (command == QLatin1String("exec"))
        return runExecCommand(arguments);
    if (command == QLatin1String("export"))
        return runExportCommand(arguments);
    if (command == QLatin1String("wagetypes"))
        return runWageTypesCommand(arguments);
    return usage();
}
