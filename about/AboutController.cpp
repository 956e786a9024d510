#include "about/AboutController.h"

#include "about/AboutSettings.h"
#include "about/frmAbout.h"

#include <QWidget>

AboutController::AboutController(QWidget *mainWindow, UserMessages &messages, QString iniPath,
                                 const Registry *registry, QString documentsFolder)
    : mainWindow_(mainWindow)
    , messages_(messages)
    , iniPath_(std::move(iniPath))
    , registry_(registry)
    , documentsFolder_(documentsFolder.isEmpty() ? installedDocumentsFolder()
                                                 : std::move(documentsFolder)) {}

void AboutController::open() {
    if (window_) {
        window_->raise();
        window_->activateWindow();
        return;
    }
    const AboutSettings settings = readAboutSettings(iniPath_, documentsFolder_);
    window_ = new frmAbout(settings, SystemInfoSources{registry_, settings.systemInfoProgram},
                           messages_, mainWindow_);
    window_->show();
}

frmAbout *AboutController::window() const {
    return window_;
}
