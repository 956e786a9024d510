#include "kwpctl/Commands.h"

#include <QTextStream>

namespace {
// Checks a log-on as the program makes it and prints user id, user name and the server's
// fiscal year, one per line.
int logon(CommandContext &context) {
    QString fiscalYear;
    if (!context.logOn(&fiscalYear))
        return Failure;
    const LogonRecord &logon = context.session.logon();
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << logon.UserId << '\n' << logon.UserName << '\n' << fiscalYear << '\n';
    context.session.gateway.ServerLogout();
    return Success;
}
} // namespace

Command logonCommand() {
    return {QStringLiteral("logon"),
            QStringLiteral("[--profile NAME] [--company FIRMA] [--branch FILIALE]"),
            QStringLiteral("Prüft eine Anmeldung am ERP-Server und zeigt Benutzer-Id, Name und "
                           "Wirtschaftsjahr"),
            {CommonOptions::profile(), CommonOptions::company(), CommonOptions::branch()},
            logon};
}
