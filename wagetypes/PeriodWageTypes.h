#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class WageTypeSheet;

struct PeriodWageTypes {
    bool ok = false;
    QStringList keys; // in the order they first occur
    QString message;  // German, when !ok
    QString details;
};

// The wage types (result column 14, as the preview shows it) of the payroll lines that the
// export query selects for the period and the client key list.
PeriodWageTypes readPeriodWageTypes(const QSqlDatabase &db, const QString &query,
                                    const QString &period, const QString &clientKeyList);

// Those of the keys that have neither a count nor an amount category in the sheet, including
// keys the sheet does not hold, in the order given.
QStringList unassignedKeys(const WageTypeSheet &sheet, const QStringList &keys);
