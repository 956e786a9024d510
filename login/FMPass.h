#pragma once

#include "gateway/Logon.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The login dialog "KORVEX Benutzeranmeldung": server profile, company, branch and password,
// a button to log on and one to leave the program. It only wires its widgets: what the buttons
// and the close box do is decided by LoginController.
class FMPass : public QDialog {
    Q_OBJECT
public:
    explicit FMPass(QWidget *owner = nullptr);

    void fill(const LogonValues &boxes);
    LogonValues values() const;
    // Places the dialog centred on its owner, or on the screen without one.
    void centre();

    QLineEdit *BSERVER;
    QLineEdit *BFIRMA;
    QLineEdit *BFIL;
    QLineEdit *PASSW;
    QPushButton *BUSpeich; // log on with the values
    QPushButton *BUAusst;  // leave the program

signals:
    void saveRequested();
    void exitRequested();
    // The close box (or Esc) was used.
    void closeBoxUsed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;
};
