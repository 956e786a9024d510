#include "core/PayrollStartup.h"

#include "core/PayrollLists.h"
#include "core/PayrollTexts.h"
#include "core/QueryFile.h"
#include "core/Session.h"

#include <QDir>

std::optional<PayrollFailure> openPayroll(Session &session, const PayrollSource &source) {
    const OpenResult opened = session.adocon.open(source);
    if (!opened.ok)
        return PayrollFailure{PayrollTexts::databaseNotOpened(source.describe()), opened.error};
    const QueryFileText query = readQueryFile();
    if (!query.ok)
        return PayrollFailure{
            PayrollTexts::queryFileNotRead(QLatin1String(queryFileName),
                                           QDir::toNativeSeparators(QDir::currentPath())),
            query.error};
    session.sqltext = query.text;
    return std::nullopt;
}

std::optional<PayrollFailure> readListedClients(Session &session, QStringList &rows) {
    const PayrollList clients = readClientRows(session.adocon.database());
    if (!clients.ok)
        return PayrollFailure{PayrollTexts::clientsNotRead(), clients.error};
    rows = clients.rows;
    return std::nullopt;
}
