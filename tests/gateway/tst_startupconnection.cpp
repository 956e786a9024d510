#include "gateway/ErpGateway.h"
#include "gateway/StartupConnection.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"

#include <QTemporaryDir>
#include <QTest>

// The start-up connection from the command line against the real demo ERP server.
class TestStartupConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void connectsTheNamedProfile_data();
    void connectsTheNamedProfile();
    void emptyCommandLineConnectsNothing();
    void unknownProfileEndsWithAMessage_data();
    void unknownProfileEndsWithAMessage();

private:
    GatewaySettings m_settings;
    QTemporaryDir m_profiles;
    std::unique_ptr<ErpServerFixture> m_server;
};

void TestStartupConnection::initTestCase() {
    qunsetenv("windir");
    qunsetenv("KWP_PROFILE_DIR");
    m_settings.profileDirectory = m_profiles.path();
    m_server = std::make_unique<ErpServerFixture>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    QVERIFY(m_server->writeProfile(m_profiles.path(), QStringLiteral("cache"),
                                   ErpServerFixture::ProfileKind::Cache));
    QVERIFY(m_server->writeProfile(m_profiles.path(), QStringLiteral("msm"),
                                   ErpServerFixture::ProfileKind::Msm));
}

void TestStartupConnection::connectsTheNamedProfile_data() {
    QTest::addColumn<QString>("profile");
    QTest::newRow("Caché kind") << QStringLiteral("cache");
    QTest::newRow("MSM kind") << QStringLiteral("msm");
}

void TestStartupConnection::connectsTheNamedProfile() {
    QFETCH(QString, profile);
    RecordedMessages messages;
    ErpGateway gateway(messages, m_settings);
    QVERIFY(connectFromCommandLine(gateway, QStringLiteral("1 0 2026 demo ") + profile));
    QVERIFY(messages.messages.isEmpty());
    const LogonRecord &record = gateway.logon;
    QCOMPARE(record.CompanyNo, QStringLiteral("1"));
    QCOMPARE(record.BranchNo, QStringLiteral("0"));
    QCOMPARE(record.Password, QStringLiteral("demo"));
    QCOMPARE(record.ProfileName, profile);
    QVERIFY(record.Connected);
    QCOMPARE(gateway.ServerExecute(QStringLiteral("S P0=6*7 W:$F($ZV,\"MSM\") P0")),
             QStringLiteral("42"));
}

void TestStartupConnection::emptyCommandLineConnectsNothing() {
    RecordedMessages messages;
    ErpGateway gateway(messages, m_settings);
    QVERIFY(connectFromCommandLine(gateway, QString()));
    QVERIFY(!gateway.logon.Connected);
    QVERIFY(messages.messages.isEmpty());
}

void TestStartupConnection::unknownProfileEndsWithAMessage_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("no such profile") << QStringLiteral("1 0 2026 demo nosuchprofile");
    // Without a fifth field the profile name is empty: the path names no file.
    QTest::newRow("profile missing") << QStringLiteral("1 0 2026 demo");
}

void TestStartupConnection::unknownProfileEndsWithAMessage() {
    QFETCH(QString, commandLine);
    RecordedMessages messages;
    ErpGateway gateway(messages, m_settings);
    QVERIFY(!connectFromCommandLine(gateway, commandLine));
    QVERIFY(!gateway.logon.Connected);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.first().text.startsWith(QStringLiteral("Keine Verbindung")));
    QVERIFY(!messages.messages.first().details.isEmpty());
}

QTEST_GUILESS_MAIN(TestStartupConnection)
#include "tst_startupconnection.moc"
