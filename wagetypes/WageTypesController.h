#pragma once

#include "common/UserMessages.h"
#include "wagetypes/WageTypeSheet.h"

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>

#include <functional>

class FMLart;
class QWidget;

// Opens the window "Lohnarten Zuordnung" for the main window's menu entry "&Lohnarten": at
// most one at a time; asked again while it is open, it brings that one to the front without
// reading anew. A window whose loading failed is not shown.
class WageTypesController : public QObject {
    Q_OBJECT
public:
    struct Dependencies {
        std::function<QSqlDatabase()> database; // the payroll database
        AssignmentChannel channel;
        UserMessages *messages = nullptr;
        // Whether an export runs on the channel (saving then waits); empty: never.
        std::function<bool()> exportRunning;
    };

    WageTypesController(QWidget *mainWindow, Dependencies dependencies);

    void open();
    // The open window, or nullptr.
    FMLart *window() const;

private:
    QPointer<QWidget> mainWindow_;
    Dependencies dependencies_;
    QPointer<FMLart> window_;
};
