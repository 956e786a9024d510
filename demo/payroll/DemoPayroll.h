#pragma once

#include <QSqlDatabase>
#include <QString>

// Builds the demo payroll database: tables DG_Data, Lohnart, Dienstnehmer and FixLA with
// Austrian payroll data for a number of months up to a last period. The data depends only on
// the options, so tests can rely on it.
struct DemoOptions {
    QString lastPeriod;   // YYYYMM; the newest period with payroll lines
    int months = 24;      // how many periods, ending with lastPeriod
    int employees = 120;  // regular staff over all clients
    qint64 bulkLines = 0; // when > 0, lastPeriod holds this many lines for clients 3 and 999
    quint32 seed = 1;
    QString wageTypesFile; // "LA_ID;Name" lines, '#' comments
};

struct DemoResult {
    bool ok = false;
    QString error;
    qint64 lines = 0; // payroll lines written
};

// Creates the tables on an open, empty database and fills them through plain SQL that both
// SQLite and PostgreSQL take.
DemoResult writeDemoPayroll(QSqlDatabase &db, const DemoOptions &options);

// Creates (or replaces) an SQLite file with the demo data.
DemoResult writeDemoPayrollFile(const QString &path, const DemoOptions &options);
