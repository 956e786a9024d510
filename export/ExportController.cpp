#include "export/ExportController.h"

#include "app/ClientKeys.h"
#include "app/FMStart.h"
#include "app/Globals.h"
#include "app/ListGrid.h"
#include "app/PayrollDatabase.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

ExportController::ExportController(FMStart &mainWindow)
    : mainWindow_(&mainWindow)
    , view_(&mainWindow)
    , check_(RecordCheck::forServer())
    , run_(check_, view_,
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
            ServerExecuteChecked}) {
    connect(&mainWindow, &FMStart::exportRequested, this, &ExportController::export_Click);
}

void ExportController::programEnding() {
    ending_ = true;
}

void ExportController::export_Click() {
    if (ending_ || run_.isRunning())
        return;
    lastOutcome_ = run_.run(adocon(), sqltext(), reccount());
}
