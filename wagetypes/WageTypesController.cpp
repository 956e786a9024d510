#include "wagetypes/WageTypesController.h"

#include "wagetypes/FMLart.h"

WageTypesController::WageTypesController(QWidget *mainWindow, Dependencies dependencies)
    : QObject(mainWindow)
    , mainWindow_(mainWindow)
    , dependencies_(std::move(dependencies)) {}

void WageTypesController::open() {
    if (window_) {
        window_->show();
        window_->raise();
        window_->activateWindow();
        return;
    }
    auto *window = new FMLart(dependencies_.database(), dependencies_.channel,
                              *dependencies_.messages, mainWindow_);
    window->setExportRunning(dependencies_.exportRunning);
    if (!window->Form_Load()) {
        delete window;
        return;
    }
    window_ = window;
    window->show();
}

FMLart *WageTypesController::window() const {
    return window_;
}
