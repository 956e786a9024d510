#include "core/Session.h"
#include "gateway/GetPiece.h"
#include "gateway/Logon.h"
#include "gateway/LogonSettings.h"
#include "gateway/ServerCharset.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The log-on against the real demo ERP server: command line, stored settings, the password
// check, what reaches the server, and kwpctl's log-on.
class TestLogon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void startup_data();
    void startup();
    void storedSettingsLogOn();
    void passwordsReachTheServerExactly_data();
    void passwordsReachTheServerExactly();
    void injectionNeverReachesTheServer_data();
    void injectionNeverReachesTheServer();
    void valuesTheServerCannotHold_data();
    void valuesTheServerCannotHold();
    void failedLogOnKeepsTheSession_data();
    void failedLogOnKeepsTheSession();
    void logoutAfterFailedConnectionCallsNothing();
    void scrambleSurvivesTheStore();
    void kwpctlLogon_data();
    void kwpctlLogon();

private:
    // A fresh session whose stored log-on lies in the test's folder.
    std::unique_ptr<Session> newSession();
    QByteArray lastPassword() { return m_server->global("^ONLLAST(\"pw\")"); }

    std::unique_ptr<ErpServerFixture> m_server;
    QTemporaryDir m_dir;
    RecordedMessages m_messages;
    QString m_year = QString::number(QDate::currentDate().year());
};

void TestLogon::initTestCase() {
    qunsetenv("windir");
    qunsetenv("KWP_PROFILE_DIR");
    m_server = std::make_unique<ErpServerFixture>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    for (const char *name : {"cache", "Bravenoor"})
        QVERIFY(m_server->writeProfile(m_dir.path(), name, ErpServerFixture::ProfileKind::Cache));
    QVERIFY(m_server->writeProfile(m_dir.path(), "msm", ErpServerFixture::ProfileKind::Msm));
}

void TestLogon::init() {
    m_messages.messages.clear();
    QFile::remove(m_dir.filePath("login.ini"));
    m_server->killGlobal("^ONLLAST");
}

std::unique_ptr<Session> TestLogon::newSession() {
    auto session = std::make_unique<Session>(m_messages);
    session->gateway.settings.profileDirectory = m_dir.path();
    session->storedLogon = LogonSettings(m_dir.filePath("login.ini"));
    return session;
}

void TestLogon::startup_data() {
    QTest::addColumn<QString>("commandLine"); // %Y: the server's fiscal year
    QTest::addColumn<bool>("loggedOn");
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<QString>("message"); // part of the one message shown, empty for none
    QTest::newRow("right password, Caché") << "1 0 %Y demo cache" << true << false << "";
    QTest::newRow("right password, MSM") << "1 0 %Y demo msm" << true << false << "";
    QTest::newRow("empty fiscal year") << "1 0  demo cache" << true << false << "";
    QTest::newRow("other fiscal year")
        << "1 0 1999 demo cache" << true << false << "Übergebenens Wirtschaftsjahr";
    QTest::newRow("wrong password") << "1 0 %Y falsch cache" << false << true << "";
    QTest::newRow("no password") << "1 0 %Y  cache" << false << true << "";
    QTest::newRow("no profile") << "1 0 %Y demo" << false << false << "Serverprofil";
    QTest::newRow("missing profile") << "1 0 %Y demo nosuch" << false << false << "nosuch";
    QTest::newRow("company not a number") << "1;K 0 %Y demo cache" << false << true << "Firma";
    // Without a command line: the stored values, here their defaults (profile "Bravenoor",
    // empty password): nothing is checked, the dialog shows the defaults.
    QTest::newRow("defaults") << "" << false << true << "";
}

void TestLogon::startup() {
    QFETCH(QString, commandLine);
    QFETCH(bool, loggedOn);
    QFETCH(bool, dialog);
    QFETCH(QString, message);
    const auto session = newSession();
    QList<LogonValues> shown;
    const bool result =
        session->gateway.ServerLogin(commandLine.replace("%Y", m_year), session->storedLogon,
                                     [&shown](const LogonValues &boxes) { shown << boxes; });
    QCOMPARE(result, loggedOn);
    QCOMPARE(!session->logon().UserId.isEmpty(), loggedOn);
    QCOMPARE(shown.size(), dialog ? 1 : 0);
    QCOMPARE(m_messages.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        const UserMessage &m = m_messages.messages.first();
        QVERIFY2((m.text + m.title).contains(message), qPrintable(m.text));
    }
    if (loggedOn) {
        QCOMPARE(session->logon().UserId, QStringLiteral("DEMO"));
        QCOMPARE(session->logon().UserName, QStringLiteral("Demo Benutzer"));
        QCOMPARE(session->logon().CompanyNo, QStringLiteral("1"));
    }
    if (QByteArray(QTest::currentDataTag()) == "other fiscal year")
        QCOMPARE(m_messages.messages.first().title, QStringLiteral("Wanung: Wirtschaftsjahr!"));
    if (QByteArray(QTest::currentDataTag()) == "defaults") {
        QCOMPARE(shown.first().profile, QStringLiteral("Bravenoor"));
        QCOMPARE(shown.first().company + shown.first().branch, QStringLiteral("10"));
        QVERIFY(shown.first().password.isEmpty());
        QVERIFY(lastPassword().isEmpty()); // no check line without a password
    }
    if (dialog && !commandLine.isEmpty())
        QCOMPARE(shown.first().profile, QString()); // the command line leaves the boxes empty
}

void TestLogon::storedSettingsLogOn() {
    const auto session = newSession();
    LogonValues stored{"cache", "1", "1", "demo", {}};
    QVERIFY(session->storedLogon.write(stored, nullptr));
    QFile file(m_dir.filePath("login.ini"));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(file.permissions() & others, QFileDevice::Permissions());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("demo")); // scrambled, never plain

    bool dialog = false;
    QVERIFY(session->gateway.ServerLogin({}, session->storedLogon,
                                         [&dialog](const LogonValues &) { dialog = true; }));
    QVERIFY(!dialog);
    QCOMPARE(session->logon().UserName, QStringLiteral("Filiale Eins"));
    QVERIFY(m_messages.messages.isEmpty()); // no fiscal-year check without a command line
}

void TestLogon::passwordsReachTheServerExactly_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("quote") << "a\"b";
    QTest::newRow("two quotes") << "\"\"";
    QTest::newRow("back-quote") << "x`y";
    QTest::newRow("closing the call") << "\"),0)";
    QTest::newRow("semicolon") << "a;b";
    QTest::newRow("umlauts") << "Müller€";
    QTest::newRow("control characters") << QString("a\tb\r\n") + QChar(1);
    QTest::newRow("code injection") << "\") K ^ONLUSR S x=(\"";
}

void TestLogon::passwordsReachTheServerExactly() {
    QFETCH(QString, password);
    const auto session = newSession();
    const auto charset = ServerCharset::byName("windows-1252");
    QByteArray encoded;
    QVERIFY(charset->encode(password, encoded, nullptr));
    // A user with exactly this password logs on; the server recorded it byte for byte.
    QVERIFY(m_server->setGlobal("^ONLUSR(1,0," + ErpServerFixture::mLiteral(encoded) + ")",
                                "ODD`1`Sonder Zeichen"));
    LogonValues values{"cache", "1", "0", password, {}};
    QCOMPARE(int(session->gateway.LogOn(values).outcome), int(LogonResult::Outcome::LoggedOn));
    QCOMPARE(session->logon().UserId, QStringLiteral("ODD"));
    QCOMPARE(lastPassword(), encoded);
    QVERIFY(m_messages.messages.isEmpty());
    QVERIFY(!m_server->global("^ONLUSR(1,0,\"demo\")").isEmpty());
    m_server->killGlobal("^ONLUSR(1,0," + ErpServerFixture::mLiteral(encoded) + ")");
}

void TestLogon::injectionNeverReachesTheServer_data() {
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("field");
    QTest::newRow("company with code") << "1) K ^ONLUSR D X(1"
                                       << "0"
                                       << "Firma";
    QTest::newRow("branch with code") << "1"
                                      << "0,\"demo\") H  ;"
                                      << "Filiale";
    QTest::newRow("empty branch") << "1"
                                  << ""
                                  << "Filiale";
    QTest::newRow("signed number") << "-1"
                                   << "0"
                                   << "Firma";
}

void TestLogon::injectionNeverReachesTheServer() {
    QFETCH(QString, company);
    QFETCH(QString, branch);
    QFETCH(QString, field);
    const auto session = newSession();
    const LogonResult result = session->gateway.LogOn({"cache", company, branch, "demo", {}});
    QCOMPARE(int(result.outcome), int(LogonResult::Outcome::BadValues));
    QVERIFY(result.message.contains(field));
    QVERIFY(m_server->global("^ONLLAST(\"firma\")").isEmpty()); // no check line ran
    QVERIFY(session->logon().UserId.isEmpty());
}

void TestLogon::valuesTheServerCannotHold_data() {
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("letter outside the character set") << "1"
                                                      << "Łódź"
                                                      << "Zeichensatz";
    QTest::newRow("password of 10 KB") << "1" << QString(10240, 'x') << "höchstens 255 Zeichen";
    QTest::newRow("company of 23 digits") << "99999999999999999999999"
                                          << "demo"
                                          << "höchstens 18 Ziffern";
}

// Refused with the reason before anything is sent, never reported as a wrong password.
void TestLogon::valuesTheServerCannotHold() {
    QFETCH(QString, company);
    QFETCH(QString, password);
    QFETCH(QString, message);
    const auto session = newSession();
    const LogonResult result = session->gateway.LogOn({"cache", company, "0", password, {}});
    QCOMPARE(int(result.outcome), int(LogonResult::Outcome::BadValues));
    QVERIFY2(result.message.contains(message), qPrintable(result.message));
    QVERIFY(result.message.contains(QStringLiteral("nichts an den ERP-Server gesendet")));
    QVERIFY(m_server->global("^ONLLAST(\"firma\")").isEmpty());
    QVERIFY(m_messages.messages.isEmpty());
}

void TestLogon::failedLogOnKeepsTheSession_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password, same kind") << "cache"
                                               << "falsch";
    QTest::newRow("wrong password, other kind") << "msm"
                                                << "falsch";
    QTest::newRow("unknown profile") << "nosuch"
                                     << "demo";
    QTest::newRow("unencodable password") << "msm"
                                          << "Łódź";
}

// A log-on from the menu that fails leaves the working log-on in force: user, server kind and
// a connection the server still knows as logged on.
void TestLogon::failedLogOnKeepsTheSession() {
    QFETCH(QString, profile);
    QFETCH(QString, password);
    const auto session = newSession();
    QCOMPARE(int(session->gateway.LogOn(ErpServerFixture::demoUser("cache")).outcome),
             int(LogonResult::Outcome::LoggedOn));
    const LogonRecord &logon = session->logon();
    const ErpConnection *working = logon.connection.get();
    const QString server = logon.ConnectionString;

    QVERIFY(session->gateway.LogOn({profile, "1", "0", password, {}}).outcome !=
            LogonResult::Outcome::LoggedOn);
    QCOMPARE(logon.UserId, QStringLiteral("DEMO"));
    QCOMPARE(logon.ServerKind, ServerProfile::Kind::Cache);
    QCOMPARE(logon.ProfileName, QStringLiteral("cache")); // the record of the last log-on
    QCOMPARE(logon.ConnectionString, server);
    QCOMPARE(logon.connection.get(), working);
    QVERIFY(logon.Connected);
    QCOMPARE(session->gateway.ServerExecute("S P0=6*7"), QStringLiteral("42"));
    QVERIFY(m_messages.messages.isEmpty());
}

void TestLogon::logoutAfterFailedConnectionCallsNothing() {
    const auto session = newSession();
    QVERIFY(!session->gateway.ServerLogin("1 0 %Y demo nosuch", session->storedLogon,
                                          [](const LogonValues &) {}));
    QVERIFY(!session->logon().connection);
    session->gateway.ServerLogout();
    QVERIFY(!session->logon().Connected);
}

void TestLogon::scrambleSurvivesTheStore() {
    // Every character of the code page (not the five codes it leaves undefined), scrambled
    // into the store and back.
    const auto ansi = ServerCharset::byName("windows-1252");
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        if (!QByteArray("\x81\x8D\x8F\x90\x9D").contains(char(b)))
            all += char(b);
    const QString password = ansi->decode(all);
    QCOMPARE(ScramblePassword(ScramblePassword(password)), password);
    QVERIFY(!ScramblePassword(password).contains(QChar(0)));
    QCOMPARE(ScramblePassword(QString()), QString());
    const LogonSettings store(m_dir.filePath("login.ini"));
    QVERIFY(store.write({"p", "1", "0", password, {}}, nullptr));
    QCOMPARE(store.read().password, password);
}

void TestLogon::kwpctlLogon_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("password"); // null: KWP_PASSWORD not set
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QStringList base{"logon", "--profile", "cache"};
    QTest::newRow("logged on") << base << "demo" << 0 << "DEMO\nDemo Benutzer\n%Y\n"
                               << "";
    QTest::newRow("other branch") << base + QStringList{"--branch", "1"} << "demo" << 0
                                  << "FILIALE1\nFiliale Eins\n%Y\n"
                                  << "";
    QTest::newRow("wrong password") << base << "nein" << 2 << ""
                                    << "abgelehnt";
    QTest::newRow("no password") << base << QString() << 2 << ""
                                 << "KWP_PASSWORD";
    QTest::newRow("company not a number")
        << base + QStringList{"--company", "1,2"} << "demo" << 2 << ""
        << "Firma";
    QTest::newRow("company of 23 digits")
        << base + QStringList{"--company", "99999999999999999999999"} << "demo" << 2 << ""
        << "höchstens 18 Ziffern";
    QTest::newRow("password outside the character set") << base << "Łódź" << 2 << ""
                                                        << "Zeichensatz";
    QTest::newRow("stored profile missing") << QStringList{"logon"} << "demo" << 2 << ""
                                            << "Bravenoor";
}

void TestLogon::kwpctlLogon() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, password);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir config;
    QProcess kwpctl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KWP_PROFILE_DIR", m_dir.path());
    env.insert("XDG_CONFIG_HOME", config.path());
    env.remove("KWP_PASSWORD");
    if (!password.isNull())
        env.insert("KWP_PASSWORD", password);
    // Without the test's profile folder, "Bravenoor" is not found there.
    if (arguments.size() == 1)
        env.insert("KWP_PROFILE_DIR", config.path());
    kwpctl.setProcessEnvironment(env);
    kwpctl.start(KWPCTL_PATH, arguments);
    QVERIFY(kwpctl.waitForFinished(30000));
    const QString standardError = QString::fromUtf8(kwpctl.readAllStandardError());
    QCOMPARE(kwpctl.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(kwpctl.readAllStandardOutput()), out.replace("%Y", m_year));
    QVERIFY2(standardError.contains(err), qPrintable(standardError));
}

QTEST_GUILESS_MAIN(TestLogon)
#include "tst_logon.moc"
