#include "export/ExportJournal.h"
#include "gateway/LineSocket.h"
#include "gateway/LogonSettings.h"

#include <QDir>
#include <QSettings>
#include <QTest>

// What only the Windows build has, run under Wine by tests/windows/run.sh: the log-on in the
// registry, the journal in the user's application-data folder, the Winsock channel (against
// the demo servers whose ports KWP_TEST_PORT and KWP_TEST_TLS_PORT name, CA in KWP_TEST_CA).
class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void logonLivesInTheRegistry();
    void journalLivesInLocalAppData();
    void channel_data();
    void channel();
};

void WindowsTest::logonLivesInTheRegistry() {
    LogonValues values;
    values.profile = QStringLiteral("KWP0cache");
    values.company = QStringLiteral("1");
    values.branch = QStringLiteral("0");
    values.password = QStringLiteral("demo");
    QString error;
    QVERIFY2(LogonSettings().write(values, &error), qPrintable(error));
    const LogonValues back = LogonSettings().read();
    QCOMPARE(back.profile, values.profile);
    QCOMPARE(back.company, values.company);
    QCOMPARE(back.branch, values.branch);
    QCOMPARE(back.password, values.password);
    QSettings registry(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\MSM Login"),
        QSettings::NativeFormat);
    QCOMPARE(registry.value(QStringLiteral("Login/Server")).toString(), values.profile);
    const QString stored = registry.value(QStringLiteral("Login/Passwort")).toString();
    QVERIFY(!stored.isEmpty());
    QVERIFY(stored != values.password);
}

void WindowsTest::journalLivesInLocalAppData() {
    const QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    QVERIFY(!local.isEmpty());
    QCOMPARE(ExportJournal::defaultDirectory(),
             local + QStringLiteral("/KORVEX/kwp-import/journal"));
}

void WindowsTest::channel_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("tls");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<bool>("ok");
    const QString plain = qEnvironmentVariable("KWP_TEST_PORT");
    const QString secure = qEnvironmentVariable("KWP_TEST_TLS_PORT");
    const QString ca = qEnvironmentVariable("KWP_TEST_CA");
    QTest::newRow("plain") << plain << false << QString() << true;
    QTest::newRow("TLS, server checked against the CA") << secure << true << ca << true;
    QTest::newRow("TLS without a CA file") << secure << true << QString() << false;
    QTest::newRow("nobody listens") << QStringLiteral("1") << false << QString() << false;
}

void WindowsTest::channel() {
    QFETCH(QString, port);
    QFETCH(bool, tls);
    QFETCH(QString, caFile);
    QFETCH(bool, ok);
    if (port.isEmpty())
        QSKIP("no demo server named");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    LineSocket socket;
    LineSocket::Status status = socket.connectTo(QStringLiteral("127.0.0.1"), port, deadline);
    if (status == LineSocket::Status::Ok && tls)
        status = socket.startTls(LineSecurity{true, caFile, {}, {}}, QStringLiteral("127.0.0.1"),
                                 deadline);
    QCOMPARE(status == LineSocket::Status::Ok, ok);
    // A failure explains itself with the system's or the TLS library's text.
    QVERIFY(ok || !socket.details().isEmpty());
    QCOMPARE(socket.isTls(), ok && tls);
}

QTEST_GUILESS_MAIN(WindowsTest)
#include "tst_windows.moc"
