#include "app/ProgramWindows.h"

#include "app/FMStart.h"
#include "core/PayrollDatabase.h"
#include "core/Session.h"

ProgramWindows::ProgramWindows(Session &session, FMStart &mainWindow, const QString &logonArguments)
    : exporter(session, mainWindow, mainWindow)
    , login(session, mainWindow)
    , about(&mainWindow, session.messages, payrollIniPath())
    , wageTypes(&mainWindow,
                {[&session] { return session.adocon.database(); }, gatewayChannel(session.gateway),
                 &session.messages, [&session] { return session.exportRunning; }}) {
    QObject::connect(&mainWindow, &FMStart::exportRequested, &exporter, &ExportController::start);
    QObject::connect(&mainWindow, &FMStart::loginRequested, &login, &LoginController::showFromMenu);
    QObject::connect(&login, &LoginController::programEndRequested, &mainWindow,
                     &FMStart::Form_Unload);
    QObject::connect(&mainWindow, &FMStart::wageTypesRequested, &wageTypes,
                     &WageTypesController::open);
    QObject::connect(&mainWindow, &FMStart::aboutRequested, &about, &AboutController::open);
    mainWindow.setServerHooks(
        {[this, &session, logonArguments] {
             return session.gateway.ServerLogin(
                 logonArguments, session.storedLogon,
                 [this](const LogonValues &boxes) { login.showAtStartup(boxes); });
         },
         [&session] { session.gateway.ServerLogout(); }});
}

void ProgramWindows::programEnding() {
    exporter.programEnding();
}
