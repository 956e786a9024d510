#include "login/LoginController.h"

#include "core/Session.h"
#include "login/FMPass.h"
#include "login/LoginSave.h"

#include <QCoreApplication>
#include <QWidget>

LoginController::LoginController(Session &session, QWidget &mainWindow)
    : session_(session)
    , mainWindow_(&mainWindow) {}

LoginController::~LoginController() {
    delete dialog_;
}

FMPass *LoginController::ensureDialog() {
    if (!dialog_) {
        dialog_ = new FMPass();
        connect(dialog_, &FMPass::saveRequested, this, &LoginController::save);
        connect(dialog_, &FMPass::exitRequested, this, &LoginController::leaveProgram);
        connect(dialog_, &FMPass::closeBoxUsed, this, &LoginController::closeBoxUsed);
    }
    return dialog_;
}

void LoginController::showAtStartup(const LogonValues &boxes) {
    FMPass *dialog = ensureDialog();
    dialog->fill(boxes);
    dialog->setParent(nullptr, dialog->windowFlags());
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->adjustSize();
    dialog->centre();
    dialog->exec();
}

void LoginController::showFromMenu() {
    FMPass *dialog = ensureDialog();
    if (dialog->parentWidget() != mainWindow_)
        dialog->setParent(mainWindow_, dialog->windowFlags());
    dialog->setWindowModality(Qt::NonModal);
    if (!dialog->isVisible())
        dialog->centre();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void LoginController::save() {
    // The run sends its records on the session's connection; a new log-on would replace it
    // between two of them.
    if (session_.exportRunning) {
        session_.messages.tell(QStringLiteral(
            "Eine neue Anmeldung ist nicht möglich, solange ein Export läuft: Der Export sendet "
            "seine Sätze über die bestehende Verbindung zum ERP-Server. Bitte nach dem Ende des "
            "Exports erneut „Anmelden“ drücken."));
        return;
    }
    FMPass *dialog = dialog_;
    QString storeError;
    const LogonResult result =
        logOnAndStore(session_.gateway, session_.storedLogon, dialog->values(), &storeError);
    switch (result.outcome) {
    case LogonResult::Outcome::LoggedOn:
        QCoreApplication::processEvents();
        if (!storeError.isEmpty())
            session_.messages.tell(storeError);
        if (dialog_)
            dialog_->hide();
        return;
    case LogonResult::Outcome::NotReachable:
        // The dialog stays as it is: the user may correct the server profile.
        session_.messages.tell(result.message, QString(), result.details);
        return;
    case LogonResult::Outcome::BadValues:
        session_.messages.tell(result.message);
        return;
    case LogonResult::Outcome::Rejected:
        if (!dialog_)
            return;
        dialog_->clearPassword();
        QCoreApplication::processEvents();
        return;
    }
}

void LoginController::leaveProgram() {
    if (mainWindow_)
        emit programEndRequested();
    else if (dialog_)
        dialog_->close();
}

void LoginController::closeBoxUsed() {
    session_.logon().UserId.clear();
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
    }
}

FMPass *LoginController::dialog() const {
    return dialog_;
}
