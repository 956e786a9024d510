#pragma once

#include <QSqlDatabase>
#include <QStringList>

// The choices the main window offers, read from the payroll database.
struct PayrollList {
    bool ok = false;
    QStringList rows;
    QString error; // the driver's description when !ok
};

// The periods of table FixLA, newest first, as text.
PayrollList readPeriods(const QSqlDatabase &db);

// The listed clients of table DG_Data, as client list row texts "number;name". Only the
// clients 3 and 999 are listed.
PayrollList readClientRows(const QSqlDatabase &db);
