#include "export/ExportController.h"

#include "app/FMStart.h"
#include "core/ClientKeys.h"
#include "core/Session.h"
#include "widgets/ListGrid.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

ExportController::ExportController(Session &session, FMStart &mainWindow)
    : session_(session)
    , mainWindow_(&mainWindow)
    , view_(&mainWindow)
    , check_(RecordCheck::forServer(session.gateway.settings.charset))
    , journal_(session)
    , run_(check_, view_, session.messages,
           {[this](bool visible) {
                if (!ending_ && mainWindow_)
                    mainWindow_->exportButton->setVisible(visible);
            },
            [this] {
                QCoreApplication::processEvents();
                return !ending_ && mainWindow_;
            },
            [this] {
                return ExportSelection{clientKeyList(mainWindow_->mandant->grid()),
                                       mainWindow_->periode->currentText()};
            },
            [&session](const QString &line) { return session.gateway.ServerExecuteChecked(line); },
            &journal_, usableLineLength(session.gateway.settings),
            [&session] { return session.gateway.logon.connection.get(); },
            session.gateway.settings.recordsInFlight,
            [&session](const ServerAnswer &failed) { session.gateway.ServerFailed(failed); }}) {
    connect(&mainWindow, &FMStart::exportRequested, this, &ExportController::export_Click);
}

void ExportController::programEnding() {
    ending_ = true;
}

void ExportController::export_Click() {
    if (ending_ || run_.isRunning())
        return;
    session_.exportRunning = true;
    lastOutcome_ = run_.run(session_.adocon.database(), session_.sqltext, session_.reccount);
    session_.exportRunning = false;
    if (mainWindow_)
        mainWindow_->exportEnded();
    if (!ending_ && !journal_.writeError().isEmpty())
        session_.messages.tell(journal_.writeError());
}
