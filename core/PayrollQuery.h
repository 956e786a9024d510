#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// One forward-only read of the payroll database that hands values over exactly: decimals as
// Decimal (never through binary floating point where the driver gives text), dates as QDate or
// QDateTime on every engine, including SQLite, whose DATE columns hold ISO text.
class PayrollQuery {
public:
    explicit PayrollQuery(const QSqlDatabase &db);

    // Runs the statement. On failure error() tells why.
    bool exec(const QString &statement);
    // Moves to the next record; false at the end or on a failure (see error()).
    bool next();
    int columnCount() const { return int(kinds.size()); }
    // The value of a column of the current record, counted from 0; null for SQL NULL.
    QVariant value(int column) const;
    // The driver's description of the last failure, empty when there was none.
    QString error() const;

private:
    enum class Kind { AsIs, Decimal, Date, DateTime };
    QSqlQuery query;
    QList<Kind> kinds;
    bool failed = false;
    void learnColumnKinds();
};
