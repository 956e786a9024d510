#include "core/WindowCaption.h"

#include "gateway/LogonRecord.h"

QString mainWindowCaption(const LogonRecord &logon) {
    return QStringLiteral("KORVEX KWP-Import              Firma: ") + logon.CompanyNo +
           QStringLiteral("     Filiale: ") + logon.BranchNo + QStringLiteral("     Benutzer: ") +
           logon.UserName;
}
