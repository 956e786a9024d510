#include "gateway/StartupConnection.h"

#include "gateway/ErpGateway.h"
#include "gateway/GetPiece.h"

bool connectFromCommandLine(ErpGateway &gateway, const QString &argumentText) {
    if (argumentText.isEmpty())
        return true;
    const QChar blank(u' ');
    LogonRecord &record = gateway.logon;
    record.CompanyNo = GetPiece(argumentText, blank, 1);
    record.BranchNo = GetPiece(argumentText, blank, 2);
    record.Password = GetPiece(argumentText, blank, 4);
    record.ProfileName = GetPiece(argumentText, blank, 5);

    QString error;
    if (gateway.ConnectByProfile(record.ProfileName, &error))
        return true;
    gateway.messages.tell(
        QStringLiteral("Keine Verbindung zum ERP-Server über das Serverprofil „%1“. Das "
                       "Programm wird beendet; es wurde nichts übertragen.")
            .arg(record.ProfileName),
        QString(), error);
    return false;
}
