#pragma once

#include "gateway/Logon.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The login dialog "KORVEX Benutzeranmeldung": server profile, company, branch and password,
// a button to log on and one to leave the program. It only wires its widgets: what the buttons
// and the close box do is decided by LoginController. Its controls are its own, found by their
// object names (BSERVER, BFIRMA, BFIL, PASSW, BUSpeich, BUAusst).
class FMPass : public QDialog {
    Q_OBJECT
public:
    explicit FMPass(QWidget *owner = nullptr);

    void fill(const LogonValues &boxes);
    // What the boxes hold.
    LogonValues values() const;
    // A password the server rejected: the box is emptied and takes the focus for the next try.
    void clearPassword();
    // Places the dialog centred on its owner, or on the screen without one.
    void centre();

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

private:
    QLineEdit *BSERVER;
    QLineEdit *BFIRMA;
    QLineEdit *BFIL;
    QLineEdit *PASSW;
    QPushButton *BUSpeich; // log on with the values
    QPushButton *BUAusst;  // leave the program
};
