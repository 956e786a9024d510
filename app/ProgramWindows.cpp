#include "app/ProgramWindows.h"

#include "app/FMStart.h"

ProgramWindows::ProgramWindows(Session &session, FMStart &mainWindow)
    : exporter(session, mainWindow) {}

void ProgramWindows::programEnding() {
    exporter.programEnding();
}
