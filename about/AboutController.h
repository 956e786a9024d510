#pragma once

#include "about/Registry.h"

#include <QObject>
#include <QPointer>
#include <QString>

class frmAbout;
class QWidget;
class UserMessages;

// Opens the About window for the main window's "Hilfe &über ...": at most one at a time,
// non-modal, built anew after it was closed (with the INI file's [About] values read anew).
class AboutController : public QObject {
    Q_OBJECT
public:
    // iniPath: the program's INI file. registry: where the system information program is
    // registered (the system's registry on Windows, none elsewhere); documentsFolder: where
    // the default links lead.
    AboutController(QWidget *mainWindow, UserMessages &messages, QString iniPath,
                    const Registry *registry = systemRegistry(),
                    QString documentsFolder = QString());

    // Shows the window, or brings the open one to the front.
    void open();
    // The open window, if any.
    frmAbout *window() const;

private:
    QPointer<QWidget> mainWindow_;
    UserMessages &messages_;
    QString iniPath_;
    const Registry *registry_;
    QString documentsFolder_;
    QPointer<frmAbout> window_;
};
