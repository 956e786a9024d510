#include "kwpctl/Commands.h"

#include <QTextStream>

namespace {
// Runs one line over the profile's connection and prints its answer as UTF-8.
int exec(CommandContext &context) {
    const QStringList lines = context.options.positionalArguments();
    if (!context.options.isSet(QStringLiteral("profile")) || lines.size() != 1)
        return context.failUsage(
            QStringLiteral("exec braucht --profile NAME und genau eine Zeile."));
    if (!context.connectServer())
        return Failure;
    const ServerAnswer answer = context.session.gateway.ServerExecuteChecked(lines.first());
    context.session.gateway.ServerDisconnect();
    if (!answer.ok)
        return RefusedByServer;
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << answer.answer << '\n';
    return Success;
}
} // namespace

Command execCommand() {
    return {QStringLiteral("exec"),
            QStringLiteral("--profile NAME 'ZEILE'"),
            QStringLiteral("Führt eine MUMPS-Zeile auf dem ERP-Server aus und zeigt ihre Antwort"),
            {CommonOptions::profile()},
            exec};
}
