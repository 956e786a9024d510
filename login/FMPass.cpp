#include "login/FMPass.h"

#include "widgets/FittedLayout.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

FMPass::FMPass(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("FMPass"));
    setWindowTitle(QStringLiteral("KORVEX Benutzeranmeldung"));
    const FittedLayout layout(this);
    setFixedSize(layout.twips(3450), layout.twips(2385));

    const auto place = [&layout](QWidget *widget, const QRect &twips) {
        widget->setGeometry(layout.twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    };
    const auto label = [this, &place](const QString &text, const QRect &twips) {
        auto *l = new QLabel(text, this);
        place(l, twips);
        return l;
    };
    const auto box = [this, &place](const char *name, const QRect &twips) {
        auto *b = new QLineEdit(this);
        b->setObjectName(QLatin1String(name));
        place(b, twips);
        return b;
    };
    QLabel *server = label(QStringLiteral("&Server:"), {480, 160, 615, 255});
    BSERVER = box("BSERVER", {1080, 120, 1455, 285});
    QLabel *firma = label(QStringLiteral("&Firma:"), {600, 640, 495, 255});
    BFIRMA = box("BFIRMA", {1080, 600, 375, 285});
    QLabel *filiale = label(QStringLiteral("Fi&liale:"), {1680, 640, 495, 255});
    BFIL = box("BFIL", {2160, 600, 375, 285});
    QLabel *passwort = label(QStringLiteral("&Passwort:"), {240, 1360, 735, 255});
    PASSW = box("PASSW", {1080, 1320, 1455, 285});
    PASSW->setEchoMode(QLineEdit::Password);
    // Shown as "*" whatever the style's own mask character is.
    PASSW->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    server->setBuddy(BSERVER);
    firma->setBuddy(BFIRMA);
    filiale->setBuddy(BFIL);
    passwort->setBuddy(PASSW);

    BUSpeich = new QPushButton(QStringLiteral("&Anmelden"), this);
    BUSpeich->setObjectName(QStringLiteral("BUSpeich"));
    place(BUSpeich, {240, 1920, 1455, 375});
    BUSpeich->setDefault(true);
    BUAusst = new QPushButton(QStringLiteral("&Beenden"), this);
    BUAusst->setObjectName(QStringLiteral("BUAusst"));
    place(BUAusst, {1920, 1920, 1455, 375});
    BUAusst->setAutoDefault(false);

    setTabOrder(BSERVER, BFIRMA);
    setTabOrder(BFIRMA, BFIL);
    setTabOrder(BFIL, PASSW);
    setTabOrder(PASSW, BUSpeich);
    setTabOrder(BUSpeich, BUAusst);

    connect(BUSpeich, &QPushButton::clicked, this, &FMPass::saveRequested);
    connect(BUAusst, &QPushButton::clicked, this, &FMPass::exitRequested);
}

void FMPass::fill(const LogonValues &boxes) {
    BSERVER->setText(boxes.profile);
    BFIRMA->setText(boxes.company);
    BFIL->setText(boxes.branch);
    PASSW->setText(boxes.password);
}

LogonValues FMPass::values() const {
    LogonValues values;
    values.profile = BSERVER->text();
    values.company = BFIRMA->text();
    values.branch = BFIL->text();
    values.password = PASSW->text();
    return values;
}

void FMPass::clearPassword() {
    PASSW->clear();
    PASSW->setFocus();
}

void FMPass::centre() {
    const QWidget *owner = parentWidget();
    const QRect area = owner ? owner->frameGeometry()
                             : (screen() ? screen()->availableGeometry()
                                         : QGuiApplication::primaryScreen()->availableGeometry());
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

void FMPass::closeEvent(QCloseEvent *event) {
    event->accept();
    emit closeBoxUsed();
}

void FMPass::reject() {
    // Esc counts as the close box.
    close();
}

void FMPass::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        PASSW->setFocus();
}

void FMPass::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    PASSW->setFocus();
}
