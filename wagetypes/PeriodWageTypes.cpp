#include "wagetypes/PeriodWageTypes.h"

#include "core/Conversions.h"
#include "core/PayrollQuery.h"
#include "core/QueryFile.h"
#include "gateway/GetPiece.h"
#include "wagetypes/Categories.h"
#include "wagetypes/WageTypeSheet.h"

#include <QSet>

namespace {
// Result column of the export query that holds the wage type.
constexpr int wageTypeColumn = 14;

bool namesCategory(const QString &field) {
    const int row = categoryRowOf(field);
    return row >= 0 && row < categoryCount;
}
} // namespace

PeriodWageTypes readPeriodWageTypes(const QSqlDatabase &db, const QString &query,
                                    const QString &period, const QString &clientKeyList) {
    PeriodWageTypes result;
    const Statement statement = substituteQuery(query, period, clientKeyList);
    if (!statement.ok) {
        result.message = statement.message;
        result.details = statement.details;
        return result;
    }
    PayrollQuery rows(db);
    const QString failed = QStringLiteral("Die Lohnzeilen der Periode konnten nicht gelesen "
                                          "werden.");
    if (!rows.exec(statement.text)) {
        result.message = failed;
        result.details = rows.error();
        return result;
    }
    if (rows.columnCount() <= wageTypeColumn) {
        result.message = QStringLiteral("Die Abfrage liefert keine Spalte der Lohnart (Spalte "
                                        "15); sie hat nur %1 Spalten.")
                             .arg(rows.columnCount());
        return result;
    }
    ValueConverter general;
    QSet<QString> seen;
    while (rows.next()) {
        const QString key = general.general(rows.value(wageTypeColumn));
        if (!seen.contains(key)) {
            seen.insert(key);
            result.keys.append(key);
        }
    }
    if (!rows.error().isEmpty()) {
        result.message = failed;
        result.details = rows.error();
        return result;
    }
    result.ok = true;
    return result;
}

QStringList unassignedKeys(const WageTypeSheet &sheet, const QStringList &keys) {
    QStringList unassigned;
    for (const QString &key : keys) {
        const QString value = sheet.value(sheet.rowOfKey(key));
        if (!namesCategory(GetPiece(value, QLatin1Char('`'), 1)) &&
            !namesCategory(GetPiece(value, QLatin1Char('`'), 2)))
            unassigned.append(key);
    }
    return unassigned;
}
