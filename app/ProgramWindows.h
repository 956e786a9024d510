#pragma once

#include "about/AboutController.h"
#include "export/ExportController.h"
#include "login/LoginController.h"
#include "wagetypes/WageTypesController.h"

class FMStart;
class Session;

// The one place that wires the main window's buttons and menu entries to the windows they
// open, each behind a small controller; one exists for the program's run. A window plugs in
// with one member here and one line in the constructor.
class ProgramWindows {
public:
    // logonArguments: the start-up command line's log-on values, empty for none.
    ProgramWindows(Session &session, FMStart &mainWindow, const QString &logonArguments);

    // The program is ending (main window closed, "Beenden"): whatever runs stops touching
    // windows and the server.
    void programEnding();

    ExportController exporter;
    LoginController login;
    AboutController about;
    WageTypesController wageTypes;
};
