#pragma once

#include "core/PayrollDatabase.h"

#include <QStringList>

// What the program takes from its command line besides the log-on values.
struct MainOptions {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run; // Usage: the arguments were wrong (problem says how)
    PayrollSource payrollSource; // --db DB, otherwise the configuration file
    QStringList rest;            // everything else, in order (the log-on values)
    QString problem;
};

// "--db DB" or "--db=DB" chooses the payroll database (an SQLite file, or "odbc:" and a
// connection string); "--help" and "--version" only print. Any other argument starting with
// "--" is refused; after a lone "--" everything counts as a log-on value (a password may start
// with "--"). arguments[0] is the program.
MainOptions parseMainOptions(const QStringList &arguments);

// The German usage text of kwp-import.
QString mainUsage();

// False on Linux when neither X11 nor Wayland nor a chosen Qt platform is there to show
// windows on.
bool displayAvailable();
QString noDisplayText();
