#pragma once

#include "app/PayrollDatabase.h"

#include <QStringList>

// What the program takes from its command line besides the log-on values.
struct MainOptions {
    PayrollSource payrollSource; // --db DB, otherwise the configuration file
    QStringList rest;            // everything else, in order (the log-on values)
};

// "--db DB" or "--db=DB" chooses the payroll database (an SQLite file, or "odbc:" and a
// connection string); arguments[0] is the program.
MainOptions parseMainOptions(const QStringList &arguments);

// False on Linux when neither X11 nor Wayland nor a chosen Qt platform is there to show
// windows on.
bool displayAvailable();
QString noDisplayText();
