#include "kwpctl/Commands.h"

#include <QTextStream>

namespace {
// Logs on as the other commands do, runs one line over the profile's connection and prints its
// answer as UTF-8.
int exec(CommandContext &context) {
    const QStringList lines = context.options.positionalArguments();
    if (!context.options.isSet(QStringLiteral("profile")) || lines.size() != 1)
        return context.failUsage(
            QStringLiteral("exec braucht --profile NAME und genau eine Zeile."));
    if (!context.logOn())
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
            QStringLiteral("--profile NAME [--company FIRMA] [--branch FILIALE] 'ZEILE'"),
            QStringLiteral("Meldet sich an, führt eine MUMPS-Zeile auf dem ERP-Server aus und "
                           "zeigt ihre Antwort"),
            {CommonOptions::profile(), CommonOptions::company(), CommonOptions::branch()},
            exec};
}
