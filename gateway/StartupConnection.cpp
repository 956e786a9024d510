#include "gateway/StartupConnection.h"

#include "app/UserMessages.h"
#include "gateway/GetPiece.h"
#include "gateway/LogonRecord.h"
#include "gateway/ServerConnection.h"

bool connectFromCommandLine(const QString &argumentText) {
    if (argumentText.isEmpty())
        return true;
    const QChar blank(u' ');
    LogonRecord &record = logonRecord();
    record.CompanyNo = GetPiece(argumentText, blank, 1);
    record.BranchNo = GetPiece(argumentText, blank, 2);
    record.Password = GetPiece(argumentText, blank, 4);
    record.ProfileName = GetPiece(argumentText, blank, 5);

    QString error;
    if (ConnectByProfile(record.ProfileName, &error))
        return true;
    showMessage(QStringLiteral("Keine Verbindung zum ERP-Server über das Serverprofil „%1“. Das "
                               "Programm wird beendet; es wurde nichts übertragen.")
                    .arg(record.ProfileName),
                QString(), error);
    return false;
}
