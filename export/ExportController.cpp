#include "export/ExportController.h"

#include "core/Session.h"
#include "export/ExportMainWindow.h"

#include <QCoreApplication>
#include <QWidget>

ExportController::ExportController(Session &session, QWidget &window, ExportMainWindow &mainWindow)
    : session_(session)
    , window_(&window)
    , mainWindow_(mainWindow)
    , view_(&window)
    , check_(RecordCheck::forServer(session.gateway.settings.charset))
    , journal_(session)
    , run_(check_, view_, *this, session.messages,
           {[&session](const QString &line) { return session.gateway.ServerExecuteChecked(line); },
            &journal_, usableLineLength(session.gateway.settings),
            [&session] { return session.gateway.logon.connection.get(); },
            session.gateway.settings.recordsInFlight,
            [&session](const ServerAnswer &failed) { session.gateway.ServerFailed(failed); }}) {}

void ExportController::programEnding() {
    ending_ = true;
}

void ExportController::start(qint64 previewCount) {
    if (ending_ || run_.isRunning())
        return;
    session_.exportRunning = true;
    lastOutcome_ = run_.run(session_.adocon.database(), session_.sqltext, previewCount);
    session_.exportRunning = false;
    if (window_)
        mainWindow_.exportEnded();
    if (!ending_ && !journal_.writeError().isEmpty())
        session_.messages.tell(journal_.writeError());
}

ExportSelection ExportController::selection() {
    return window_ ? mainWindow_.exportSelection() : ExportSelection();
}

void ExportController::setExportButtonVisible(bool visible) {
    if (!ending_ && window_)
        mainWindow_.setExportButtonVisible(visible);
}

bool ExportController::letMessageLoopRun() {
    QCoreApplication::processEvents();
    return !ending_ && window_;
}
