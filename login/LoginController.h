#pragma once

#include "gateway/Logon.h"

#include <QObject>
#include <QPointer>

class FMPass;
class QWidget;
class Session;

// The login dialog's life: created hidden with the start-up's values and shown modally without
// owner when the start-up log-on needs it; shown modeless with the main window as owner from
// "&Login". At most one exists; it is hidden after a log-on and keeps its texts, and the close
// box ends it (the next showing starts with empty boxes). The program's wiring connects the menu
// entry to showFromMenu() and programEndRequested() to the program's end.
class LoginController : public QObject {
    Q_OBJECT
public:
    // mainWindow: the dialog's owner when shown from the menu.
    LoginController(Session &session, QWidget &mainWindow);
    ~LoginController() override;

    // The start-up: fills the boxes and waits until the dialog is hidden or closed.
    void showAtStartup(const LogonValues &boxes);
    // The menu entry "&Login".
    void showFromMenu();

    FMPass *dialog() const;

signals:
    // The dialog's "Beenden" while the main window is there: the program ends in order.
    void programEndRequested();

private:
    FMPass *ensureDialog();
    void save();
    void leaveProgram();
    void closeBoxUsed();

    Session &session_;
    QPointer<QWidget> mainWindow_;
    QPointer<FMPass> dialog_;
};
