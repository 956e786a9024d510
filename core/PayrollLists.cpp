#include "core/PayrollLists.h"

#include "core/Conversions.h"
#include "core/PayrollQuery.h"

PayrollList readPeriods(const QSqlDatabase &db) {
    PayrollQuery query(db);
    if (!query.exec(QStringLiteral("select distinct Periode from FixLA order by periode desc")))
        return {false, {}, query.error()};
    PayrollList list{true, {}, {}};
    while (query.next())
        list.rows.append(generalText(query.value(0)));
    if (!query.error().isEmpty())
        return {false, {}, query.error()};
    return list;
}

PayrollList readClientRows(const QSqlDatabase &db) {
    PayrollQuery query(db);
    if (!query.exec(QStringLiteral("select DG_ID,Name from DG_Data order by DG_ID")))
        return {false, {}, query.error()};
    PayrollList list{true, {}, {}};
    while (query.next()) {
        const QString number = generalText(query.value(0), QLocale::c());
        if (number == QLatin1String("3") || number == QLatin1String("999"))
            list.rows.append(generalText(query.value(0)) + QLatin1Char(';') +
                             generalText(query.value(1)));
    }
    if (!query.error().isEmpty())
        return {false, {}, query.error()};
    return list;
}
