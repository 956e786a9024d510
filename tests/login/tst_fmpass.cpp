#include "app/FMStart.h"
#include "app/ProgramWindows.h"
#include "core/Session.h"
#include "login/FMPass.h"
#include "tests/support/DemoFixture.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {
// The dialog's boxes and buttons, by their names.
QLineEdit *box(const FMPass *dialog, const char *name) {
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}
QPushButton *button(const FMPass *dialog, const char *name) {
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}
} // namespace

// The login dialog as the user meets it: at start-up and from "&Login", on real widgets against
// the real demo ERP server.
class TestFMPass : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layoutAndKeyboard();
    void startupDialogLogsOn();
    void startupCloseBoxEndsProgram();
    void saveFromMenu_data();
    void saveFromMenu();
    void closeBoxFromMenuOnlyLogsOff();
    void leavingFromMenuEndsProgram();

private:
    // The main window of a fresh session with the given start-up command line; dialogAction
    // runs while the start-up shows the dialog modally. Returns Form_Load's result.
    bool start(const QString &commandLine, std::function<void(FMPass &)> dialogAction = {});
    FMPass *dialog() { return windows_->login.dialog(); }

    std::unique_ptr<ErpServerFixture> server_;
    std::unique_ptr<DemoFolder> demo_;
    QTemporaryDir dir_;
    RecordedMessages messages_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<FMStart> window_;
    std::unique_ptr<ProgramWindows> windows_;
    QList<int> ended_;
};

void TestFMPass::initTestCase() {
    qunsetenv("windir");
    qunsetenv("KWP_PROFILE_DIR");
    server_ = std::make_unique<ErpServerFixture>();
    QVERIFY2(server_->isRunning(), qPrintable(server_->error()));
    QVERIFY(server_->writeProfile(dir_.path(), "cache", ErpServerFixture::ProfileKind::Cache));
}

void TestFMPass::init() {
    demo_ = std::make_unique<DemoFolder>();
    messages_.messages.clear();
    ended_.clear();
    server_->killGlobal("^ONLLAST");
    QFile::remove(dir_.filePath("login.ini"));
}

void TestFMPass::cleanup() {
    windows_.reset();
    window_.reset();
    session_.reset();
    demo_.reset();
}

bool TestFMPass::start(const QString &commandLine, std::function<void(FMPass &)> dialogAction) {
    session_ = std::make_unique<Session>(messages_);
    session_->gateway.settings.profileDirectory = dir_.path();
    session_->storedLogon = LogonSettings(dir_.filePath("login.ini"));
    window_ = std::make_unique<FMStart>(
        *session_, PayrollSource{PayrollSource::Kind::Sqlite, demo_->databasePath()});
    window_->setEndProgram([this](int code) { ended_ << code; });
    windows_ = std::make_unique<ProgramWindows>(*session_, *window_, commandLine);
    if (dialogAction)
        QTimer::singleShot(0, this, [this, dialogAction] {
            QVERIFY(dialog() && dialog()->isVisible() && dialog()->isModal());
            QVERIFY(!dialog()->parentWidget());
            dialogAction(*dialog());
        });
    return window_->Form_Load();
}

void TestFMPass::layoutAndKeyboard() {
    QVERIFY(start("1 0  demo cache"));
    window_->findChild<QAction *>("mLogin")->trigger();
    FMPass *d = dialog();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QCOMPARE(d->windowTitle(), QStringLiteral("KORVEX Benutzeranmeldung"));
    QCOMPARE(d->parentWidget(), window_.get());
    QVERIFY(!d->isModal());
    QCOMPARE(box(d, "PASSW")->echoMode(), QLineEdit::Password);
    QCOMPARE(QApplication::focusWidget(), box(d, "PASSW"));
    // Tab order: server, company, branch, password, the two buttons.
    box(d, "BSERVER")->setFocus();
    for (QWidget *next : QList<QWidget *>{box(d, "BFIRMA"), box(d, "BFIL"), box(d, "PASSW"),
                                          button(d, "BUSpeich"), button(d, "BUAusst")}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    // Every text fits its place in the designed layout.
    for (QWidget *w : d->findChildren<QWidget *>())
        QVERIFY2(w->sizeHint().height() <= w->height() + 4 || qobject_cast<QLineEdit *>(w),
                 qPrintable(w->objectName()));
}

void TestFMPass::startupDialogLogsOn() {
    // A wrong password on the command line: the dialog comes with empty boxes; the user types.
    const bool loaded = start("1 0  falsch cache", [](FMPass &d) {
        QVERIFY(box(&d, "BSERVER")->text().isEmpty() && box(&d, "PASSW")->text().isEmpty());
        box(&d, "BSERVER")->setText("cache");
        box(&d, "BFIRMA")->setText("1");
        box(&d, "BFIL")->setText("1");
        QTest::keyClicks(box(&d, "PASSW"), "demo");
        QTest::keyClick(box(&d, "PASSW"), Qt::Key_Return); // the log-on button is the default
    });
    QVERIFY(loaded);
    QVERIFY(!dialog()->isVisible());
    QCOMPARE(session_->logon().UserName, QStringLiteral("Filiale Eins"));
    QVERIFY(window_->windowTitle().contains(QStringLiteral("Benutzer: Filiale Eins")));
    const LogonValues stored = session_->storedLogon.read();
    QCOMPARE(stored.profile + stored.company + stored.branch + stored.password,
             QStringLiteral("cache11demo"));
}

void TestFMPass::startupCloseBoxEndsProgram() {
    QVERIFY(!start("1 0  falsch cache", [](FMPass &d) { d.close(); }));
    QVERIFY(session_->logon().UserId.isEmpty());
    QVERIFY(!session_->adocon.isOpen());
}

void TestFMPass::saveFromMenu_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("passwordAfter");
    QTest::addColumn<QString>("message");
    QTest::newRow("accepted") << "cache"
                              << "1"
                              << "demo" << true << "demo"
                              << "";
    QTest::newRow("rejected") << "cache"
                              << "1"
                              << "nein" << false << ""
                              << "";
    QTest::newRow("empty password") << "cache"
                                    << "1"
                                    << "" << false << ""
                                    << "";
    QTest::newRow("no such profile") << "nix"
                                     << "1"
                                     << "demo" << false << "demo"
                                     << "nix";
    QTest::newRow("company not a number") << "cache"
                                          << "1)"
                                          << "demo" << false << "demo"
                                          << "Firma";
}

void TestFMPass::saveFromMenu() {
    QFETCH(QString, profile);
    QFETCH(QString, company);
    QFETCH(QString, password);
    QFETCH(bool, hidden);
    QFETCH(QString, passwordAfter);
    QFETCH(QString, message);
    QVERIFY(start("1 0  demo cache"));
    const QString caption = window_->windowTitle();
    window_->findChild<QAction *>("mLogin")->trigger();
    FMPass *d = dialog();
    d->fill({profile, company, "1", password, {}});
    QTest::mouseClick(button(d, "BUSpeich"), Qt::LeftButton);
    QCOMPARE(!d->isVisible(), hidden);
    QCOMPARE(box(d, "PASSW")->text(), passwordAfter);
    QCOMPARE(box(d, "BSERVER")->text(), profile); // the other boxes keep their texts
    QCOMPARE(messages_.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY(messages_.messages.first().text.contains(message));
    QCOMPARE(session_->logon().BranchNo, QString(hidden ? "1" : "0"));
    QCOMPARE(window_->windowTitle(), caption); // a log-on from the menu keeps the caption
    QCOMPARE(QFile::exists(dir_.filePath("login.ini")), hidden);
    if (password.isEmpty())
        QVERIFY(server_->global("^ONLLAST(\"pw\")").isEmpty() ||
                server_->global("^ONLLAST(\"pw\")") == "demo"); // only the start-up's check
    if (hidden) {                                               // shown again, it keeps its texts
        window_->findChild<QAction *>("mLogin")->trigger();
        QCOMPARE(dialog(), d);
        QCOMPARE(box(d, "PASSW")->text(), QStringLiteral("demo"));
    }
}

void TestFMPass::closeBoxFromMenuOnlyLogsOff() {
    QVERIFY(start("1 0  demo cache"));
    window_->findChild<QAction *>("mLogin")->trigger();
    dialog()->close();
    QVERIFY(session_->logon().UserId.isEmpty());
    QVERIFY(ended_.isEmpty());
    QVERIFY(session_->logon().Connected);
    QTRY_VERIFY(!dialog()); // the next showing starts afresh
    window_->findChild<QAction *>("mLogin")->trigger();
    QVERIFY(box(dialog(), "BSERVER")->text().isEmpty());
}

void TestFMPass::leavingFromMenuEndsProgram() {
    // "Beenden" in the dialog ends the program in order: log-off, database closed.
    QVERIFY(start("1 0  demo cache"));
    window_->findChild<QAction *>("mLogin")->trigger();
    QTest::mouseClick(button(dialog(), "BUAusst"), Qt::LeftButton);
    QCOMPARE(ended_, QList<int>{0});
    QVERIFY(!session_->logon().Connected);
    QVERIFY(!session_->adocon.isOpen());
}

QTEST_MAIN(TestFMPass)
#include "tst_fmpass.moc"
