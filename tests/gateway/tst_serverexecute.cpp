#include "gateway/CacheControl.h"
#include "gateway/ErpGateway.h"
#include "gateway/MsmClient.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The command channel of both server kinds against the real GT.M line service.
class TestServerExecute : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void answeringLine_data();
    void answeringLine();
    void passwordCheckAnswersAlike();
    void failingLine_data();
    void failingLine();
    void msmLineWritingNothing();
    void localsPerConnection();
    void overlongLine();
    void unencodableLine_data();
    void unencodableLine();
    void cannotConnect_data();
    void cannotConnect();
    void failedReconnectClosesCache();
    void controlRoles();
    void emptyConnectionString();
    void disconnect_data();
    void disconnect();
    void killedServingProcess_data();
    void killedServingProcess();
    void answerTimeout_data();
    void answerTimeout();
    void silentListener();
    void kwpctlExec_data();
    void kwpctlExec();
    void stoppedServer();

private:
    void writeProfile(const QString &name, const QByteArray &content);
    void connectKind(const QString &kind);
    ErpGateway &gw() { return *m_gateway; }
    CacheControl &cache() { return static_cast<CacheControl &>(*gw().logon.connection); }

    QTemporaryDir m_profiles;
    std::unique_ptr<ErpServerFixture> m_server;
    std::unique_ptr<RecordedMessages> m_messages;
    std::unique_ptr<ErpGateway> m_gateway;
    GatewaySettings m_settings;
};

namespace {
const QString invalid = QStringLiteral("Ungültige Anfrage");
const QString msmText =
    QStringLiteral("Ungültige Anfrage. Anfrage mit anderer Eingabe wiederholen!");

QString answering(const QString &expression) {
    return QStringLiteral("S P0=") + expression + QStringLiteral(" W:$F($ZV,\"MSM\") P0");
}
} // namespace

void TestServerExecute::writeProfile(const QString &name, const QByteArray &content) {
    QFile file(m_profiles.path() + QLatin1Char('/') + name + QStringLiteral(".mco"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void TestServerExecute::initTestCase() {
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

void TestServerExecute::init() {
    m_messages = std::make_unique<RecordedMessages>();
    m_gateway = std::make_unique<ErpGateway>(*m_messages, m_settings);
}

void TestServerExecute::cleanup() {
    m_gateway.reset();
    m_messages.reset();
}

void TestServerExecute::connectKind(const QString &kind) {
    QString error;
    QVERIFY2(gw().ConnectByProfile(kind, &error), qPrintable(error));
    QCOMPARE(serverKindText(gw().logon.ServerKind), kind);
    QVERIFY(gw().logon.Connected);
    // The service runs lines only for a connection that logged on.
    QVERIFY(
        gw().CheckServerPassword(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("demo"))
            .startsWith(QLatin1String("DEMO`")));
}

void TestServerExecute::answeringLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("number") << answering("1+1") << "2";
    QTest::newRow("empty") << answering("\"\"") << "";
    QTest::newRow("umlauts and sharp s") << answering("\"Jürgen Größe ÄÖÜ\"") << "Jürgen Größe ÄÖÜ";
    QTest::newRow("quotes and back-quotes") << answering("\"a\"\"b`c``\"\"\"") << "a\"b`c``\"";
    QTest::newRow("bytes above 127") << answering("$C(128,164,252,255)") << "€¤üÿ";
    QTest::newRow("line feed inside") << answering("\"a\"_$C(10)_\"b\"") << "a\nb";
    QTest::newRow("long answer") << answering("$J(\"\",5000)_\"x\"")
                                 << QString(5000, QLatin1Char(' ')) + "x";
    QTest::newRow("answer of half a megabyte")
        << answering("$J(\"\",500000)_\"ü\"") << QString(500000, QLatin1Char(' ')) + "ü";
    QTest::newRow("rejected password") << "D PASS^%ONLCL0(1,0,\"falsch\")"
                                       << "";
}

void TestServerExecute::answeringLine() {
    QFETCH(QString, line);
    QFETCH(QString, expected);
    for (const QString &kind : {QStringLiteral("cache"), QStringLiteral("msm")}) {
        connectKind(kind);
        const ServerAnswer answer = gw().ServerExecuteChecked(line);
        QVERIFY2(answer.ok, qPrintable(kind + ": " + answer.error + " " + answer.details));
        QCOMPARE(answer.answer, expected);
        QCOMPARE(gw().ServerExecute(line), expected);
        gw().ServerDisconnect();
    }
    QVERIFY(m_messages->messages.isEmpty());
}

void TestServerExecute::passwordCheckAnswersAlike() {
    QStringList answers;
    for (const QString &kind : {QStringLiteral("cache"), QStringLiteral("msm")}) {
        QString error;
        QVERIFY2(gw().ConnectByProfile(kind, &error), qPrintable(error));
        answers << gw().CheckServerPassword(QStringLiteral("1"), QStringLiteral("0"),
                                            QStringLiteral("demo"));
        // The log-on context lives on in the connection: % holds the back-quote.
        answers << gw().ServerExecute(answering(QStringLiteral("%")));
        gw().ServerDisconnect();
    }
    QVERIFY(m_messages->messages.isEmpty());
    QVERIFY2(!answers[0].section(QLatin1Char('`'), 0, 0).isEmpty(), qPrintable(answers[0]));
    QCOMPARE(answers[0].count(QLatin1Char('`')), 3);
    QCOMPARE(answers[1], QStringLiteral("`"));
    QCOMPARE(answers[2], answers[0]);
    QCOMPARE(answers[3], answers[1]);
}

void TestServerExecute::failingLine_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("serverError");

    QTest::newRow("cache: division by zero") << "cache"
                                             << "S P0=1/0"
                                             << "DIVZERO";
    QTest::newRow("cache: undefined local") << "cache" << answering("NOSUCHLOCAL") << "UNDEF";
    QTest::newRow("cache: broken quote") << "cache"
                                         << "S P0=\"a\"b\""
                                         << "";
    QTest::newRow("msm: division by zero") << "msm" << answering("1/0") << "DIVZERO";
    QTest::newRow("msm: missing routine") << "msm"
                                          << "D ^NOSUCHRTN"
                                          << "ZLINKFILE";
}

void TestServerExecute::failingLine() {
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QFETCH(QString, serverError);

    connectKind(kind);
    QVERIFY(gw().ServerExecuteChecked(QStringLiteral("S P0=\"stale\"")).ok);
    const ServerAnswer answer = gw().ServerExecuteChecked(line);
    QVERIFY(!answer.ok);
    QVERIFY(answer.answer.isEmpty());
    QCOMPARE(gw().ServerExecute(line), QString());
    QCOMPARE(m_messages->messages.size(), 2);
    const UserMessage message = m_messages->messages.first();
    QCOMPARE(message.title, invalid);
    if (kind == QLatin1String("msm")) {
        QCOMPARE(message.text, msmText);
        QVERIFY2(message.details.contains(serverError), qPrintable(message.details));
    } else {
        QVERIFY(cache().errorCode() != 0);
        QCOMPARE(message.text, cache().errorText());
        QVERIFY2(message.text.contains(serverError), qPrintable(message.text));
    }
    // A failed line leaves the connection as it was.
    QVERIFY(gw().logon.Connected);
    QCOMPARE(gw().ServerExecute(answering(QStringLiteral("\"still here\""))),
             QStringLiteral("still here"));
}

void TestServerExecute::msmLineWritingNothing() {
    connectKind(QStringLiteral("msm"));
    const ServerAnswer answer = gw().ServerExecuteChecked(QStringLiteral("S X=1"));
    QVERIFY(answer.ok);
    QVERIFY(answer.answer.isEmpty());
    QVERIFY(m_messages->messages.isEmpty());
}

void TestServerExecute::localsPerConnection() {
    const QString port = QString::number(m_server->port());
    MsmClient first(QStringLiteral("127.0.0.1"), port, QStringLiteral("KORVEX"));
    MsmClient second(QStringLiteral("127.0.0.1"), port, QStringLiteral("KORVEX"));
    QVERIFY2(first.Login(), qPrintable(first.errorText()));
    QVERIFY2(second.Login(), qPrintable(second.errorText()));
    const QString one = QStringLiteral("1"), zero = QStringLiteral("0"),
                  demo = QStringLiteral("demo");
    QVERIFY(first.logOn(one, zero, demo).ok && second.logOn(one, zero, demo).ok);
    QString written;
    QVERIFY(first.Xecute(QStringLiteral("S KWPX=\"eins\""), written));
    QVERIFY(second.Xecute(QStringLiteral("W $D(KWPX)"), written));
    QCOMPARE(written, QStringLiteral("0"));
    QVERIFY(first.Xecute(QStringLiteral("W KWPX"), written));
    QCOMPARE(written, QStringLiteral("eins"));

    CacheControl control;
    control.setServer(QStringLiteral("CN_IPTCP:127.0.0.1[%1]").arg(port));
    control.setNameSpace(QStringLiteral("KORVEX"));
    QCOMPARE(control.errorCode(), 0);
    QVERIFY(control.logOn(one, zero, demo).ok);
    control.execute(QStringLiteral("S P0=$D(KWPX)"));
    QCOMPARE(control.errorCode(), 0);
    QCOMPARE(control.P0(), QStringLiteral("0"));
}

void TestServerExecute::overlongLine() {
    connectKind(QStringLiteral("cache"));
    const QString line = QStringLiteral("S X=\"%1\"").arg(QString(1100000, QLatin1Char('a')));
    const ServerAnswer answer = gw().ServerExecuteChecked(line);
    QVERIFY(!answer.ok);
    QVERIFY2(answer.error.contains(QStringLiteral("zu lang")), qPrintable(answer.error));
    // Refused before sending: the connection is still in step.
    QVERIFY(gw().logon.Connected);
    QCOMPARE(gw().ServerExecute(answering(QStringLiteral("3"))), QStringLiteral("3"));
}

void TestServerExecute::unencodableLine_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("cache: Polish l") << "cache"
                                     << "windows-1252"
                                     << "Łódź"
                                     << "U+0141";
    QTest::newRow("msm: emoji") << "msm"
                                << "windows-1252"
                                << "\U0001F600"
                                << "U+1F600";
    QTest::newRow("cache: euro in latin1") << "cache"
                                           << "iso-8859-1"
                                           << "5 €"
                                           << "U+20AC";
}

void TestServerExecute::unencodableLine() {
    QFETCH(QString, kind);
    QFETCH(QString, charset);
    QFETCH(QString, text);
    QFETCH(QString, named);

    gw().settings.charset = charset;
    connectKind(kind);
    const ServerAnswer answer =
        gw().ServerExecuteChecked(QStringLiteral("S ^KWPTEST(\"enc\")=\"%1\"").arg(text));
    QVERIFY(!answer.ok);
    QCOMPARE(m_messages->messages.size(), 1);
    const UserMessage message = m_messages->messages.first();
    QVERIFY2((message.text + message.details).contains(named), qPrintable(message.text));
    QVERIFY(!m_server->global("^KWPTEST(\"enc\")").contains('?'));
    // Nothing was sent, the connection is still open.
    QVERIFY(gw().logon.Connected);
    QCOMPARE(gw().ServerExecute(answering(QStringLiteral("\"ä\""))), QStringLiteral("ä"));
}

void TestServerExecute::cannotConnect_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QString>("expected");

    const QByteArray port = QByteArray::number(m_server->port());
    QTest::newRow("cache: unknown namespace")
        << "[CACHE]\nSERVERCACHE=127.0.0.1\nPORTCACHE=" + port + "\nNAMESPACE=NOPE\n"
        << "NOPE";
    QTest::newRow("msm: unknown namespace")
        << "MSMHOST=127.0.0.1\nMSMPORT=" + port + "\nMSMNAMESPACE=NOPE\n"
        << "NOPE";
    QTest::newRow("cache: missing host") << QByteArray("[CACHE]\n") << "Rechner";
    QTest::newRow("msm: nobody listening")
        << QByteArray("MSMHOST=127.0.0.1\nMSMPORT=1\n") << "nicht hergestellt";
    QTest::newRow("cache: unknown host")
        << QByteArray("[CACHE]\nSERVERCACHE=no.such.host.invalid\n") << "nicht hergestellt";
}

void TestServerExecute::cannotConnect() {
    QFETCH(QByteArray, profile);
    QFETCH(QString, expected);

    writeProfile(QStringLiteral("bad"), profile);
    QString error;
    QVERIFY(!gw().ConnectByProfile(QStringLiteral("bad"), &error));
    QVERIFY2(error.contains(expected), qPrintable(error));
    QVERIFY(!gw().logon.Connected);
    QVERIFY(m_messages->messages.isEmpty());

    // A line without a connection fails inside the component and is reported.
    QVERIFY(!gw().ServerExecuteChecked(QStringLiteral("S P0=1")).ok);
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.first().title, invalid);
}

void TestServerExecute::failedReconnectClosesCache() {
    connectKind(QStringLiteral("cache"));
    gw().logon.NamespaceName = QStringLiteral("NOPE");
    QVERIFY(!gw().CacheConnect());
    QVERIFY2(gw().lastConnectError().contains(QStringLiteral("NOPE")),
             qPrintable(gw().lastConnectError()));
    QVERIFY(!gw().logon.Connected);
}

void TestServerExecute::controlRoles() {
    const QString server = QStringLiteral("CN_IPTCP:127.0.0.1[%1]").arg(m_server->port());
    CacheControl control;
    control.setNameSpace(QStringLiteral("NOPE"));
    control.setServer(server);
    QCOMPARE(control.errorCode(), 0);
    control.setNameSpace(QStringLiteral("KORVEX"));
    QCOMPARE(control.errorCode(), 0);
    const auto logOn = [&control] {
        return control.logOn(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("demo")).ok;
    };
    QVERIFY(logOn());
    control.execute(QStringLiteral("S P0=$J"));
    const QString firstProcess = control.P0();
    QVERIFY(!firstProcess.isEmpty());

    // Writing the namespace again opens a fresh connection with fresh locals.
    control.execute(QStringLiteral("S KWPY=1"));
    control.setNameSpace(QStringLiteral("KORVEX"));
    QVERIFY(logOn());
    control.execute(QStringLiteral("S P0=$D(KWPY)_\"/\"_$J"));
    QCOMPARE(control.errorCode(), 0);
    QVERIFY(control.P0().startsWith(QLatin1String("0/")));
    QVERIFY(control.P0() != QStringLiteral("0/") + firstProcess);

    control.setServer(QString());
    control.execute(QStringLiteral("S P0=1"));
    QCOMPARE(control.errorCode(), int(CacheControl::NotConnected));
    control.setServer(QStringLiteral("127.0.0.1:1972"));
    QCOMPARE(control.errorCode(), int(CacheControl::BadServerText));
}

void TestServerExecute::emptyConnectionString() {
    connectKind(QStringLiteral("cache"));
    const QString server = cache().server();
    gw().logon.ConnectionString.clear();
    QVERIFY(!gw().CacheConnect());
    QCOMPARE(cache().server(), server);
    QCOMPARE(gw().ServerExecute(answering(QStringLiteral("7"))), QStringLiteral("7"));
}

void TestServerExecute::disconnect_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("cache") << "cache";
    QTest::newRow("msm") << "msm";
}

void TestServerExecute::disconnect() {
    QFETCH(QString, kind);
    connectKind(kind);
    // With Connected false nothing is closed.
    gw().logon.Connected = false;
    gw().ServerDisconnect();
    QCOMPARE(gw().ServerExecute(answering(QStringLiteral("5"))), QStringLiteral("5"));
    gw().logon.Connected = true;
    gw().ServerDisconnect();
    QVERIFY(!gw().logon.Connected);
    gw().ServerDisconnect();
    QVERIFY(!gw().ServerExecuteChecked(QStringLiteral("S P0=1")).ok);
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.first().title, invalid);
}

void TestServerExecute::killedServingProcess_data() {
    disconnect_data();
}

void TestServerExecute::killedServingProcess() {
    QFETCH(QString, kind);
    connectKind(kind);
    const qint64 pid = gw().ServerExecute(answering(QStringLiteral("$J"))).toLongLong();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    const ServerAnswer answer = gw().ServerExecuteChecked(answering(QStringLiteral("1")));
    QVERIFY(!answer.ok);
    QVERIFY(!gw().logon.Connected);
    QCOMPARE(m_messages->messages.size(), 1);
    const UserMessage message = m_messages->messages.first();
    QVERIFY2((message.text + message.details).contains(QStringLiteral("abgebrochen")),
             qPrintable(message.text + message.details));
    // A new log-on gets a fresh connection.
    connectKind(kind);
    QCOMPARE(gw().ServerExecute(answering(QStringLiteral("2"))), QStringLiteral("2"));
}

void TestServerExecute::answerTimeout_data() {
    disconnect_data();
}

void TestServerExecute::answerTimeout() {
    QFETCH(QString, kind);
    gw().settings.answerTimeoutMs = 300;
    connectKind(kind);
    const ServerAnswer answer = gw().ServerExecuteChecked(QStringLiteral("H 3"));
    QVERIFY(!answer.ok);
    QVERIFY(!gw().logon.Connected);
    const UserMessage message = m_messages->messages.value(0);
    QVERIFY2((message.text + message.details).contains(QStringLiteral("nicht innerhalb")),
             qPrintable(message.text + message.details));
    // The late answer must never be taken for the answer of a later line.
    QVERIFY(!gw().ServerExecuteChecked(answering(QStringLiteral("1"))).ok);
}

void TestServerExecute::silentListener() {
    // A socket that accepts connections in its backlog but never says a word.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(listener, 4), 0);
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size);
    const QByteArray port = QByteArray::number(ntohs(address.sin_port));

    gw().settings.connectTimeoutMs = 300;
    writeProfile(QStringLiteral("silent"),
                 "[CACHE]\nSERVERCACHE=127.0.0.1\nPORTCACHE=" + port + "\n");
    writeProfile(QStringLiteral("silentm"), "MSMHOST=127.0.0.1\nMSMPORT=" + port + "\n");
    QString error;
    const bool cache = gw().ConnectByProfile(QStringLiteral("silent"), &error);
    QString msmError;
    const bool msm = gw().ConnectByProfile(QStringLiteral("silentm"), &msmError);
    ::close(listener);
    QVERIFY(!cache);
    QVERIFY(!msm);
    QVERIFY2(error.contains(QStringLiteral("nicht beantwortet")), qPrintable(error));
    QVERIFY2(msmError.contains(QStringLiteral("nicht beantwortet")), qPrintable(msmError));
    QVERIFY(!gw().logon.Connected);
}

void TestServerExecute::kwpctlExec_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    const QString line = answering(QStringLiteral("\"Grüße `x`\""));
    const QStringList user{"--company", "1", "--branch", "0"};
    QTest::newRow("cache answer as UTF-8")
        << user + QStringList{"--profile", "cache", line} << "demo" << 0
        << QByteArray("Grüße `x`\n") << QByteArray();
    QTest::newRow("msm answer as UTF-8") << user + QStringList{"--profile", "msm", line} << "demo"
                                         << 0 << QByteArray("Grüße `x`\n") << QByteArray();
    QTest::newRow("failing line") << user + QStringList{"--profile", "msm", "S P0=1/0"} << "demo"
                                  << 1 << QByteArray() << QByteArray("Ungültige Anfrage");
    QTest::newRow("missing profile") << user + QStringList{"--profile", "nosuch", "S P0=1"}
                                     << "demo" << 2 << QByteArray() << QByteArray("nosuch");
    QTest::newRow("no line") << user + QStringList{"--profile", "cache"} << "demo" << 2
                             << QByteArray() << QByteArray("Aufruf");
    // Without a log-on nothing runs: the line would have set ^KWPTEST("exec").
    const QString marking = QStringLiteral("S ^KWPTEST(\"exec\")=1");
    QTest::newRow("wrong password") << user + QStringList{"--profile", "cache", marking} << "falsch"
                                    << 2 << QByteArray() << QByteArray("abgelehnt");
    QTest::newRow("no password") << user + QStringList{"--profile", "msm", marking} << "" << 2
                                 << QByteArray() << QByteArray("KWP_PASSWORD");
}

void TestServerExecute::kwpctlExec() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, password);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    QProcess kwpctl;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KWP_PROFILE_DIR"), m_profiles.path());
    environment.insert(QStringLiteral("KWP_PASSWORD"), password);
    kwpctl.setProcessEnvironment(environment);
    kwpctl.start(QStringLiteral(KWPCTL_PATH), QStringList{QStringLiteral("exec")} + arguments);
    QVERIFY(kwpctl.waitForFinished(20000));
    const QByteArray standardError = kwpctl.readAllStandardError();
    QCOMPARE(kwpctl.exitCode(), exitCode);
    QCOMPARE(kwpctl.readAllStandardOutput(), out);
    QVERIFY2(standardError.contains(err), standardError.constData());
    QCOMPARE(m_server->global("^KWPTEST(\"exec\")"), QByteArray());
}

void TestServerExecute::stoppedServer() {
    // A server of its own: this one is killed.
    ErpServerFixture server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir profiles;
    QVERIFY(server.writeProfile(profiles.path(), QStringLiteral("cache"),
                                ErpServerFixture::ProfileKind::Cache));
    QVERIFY(server.writeProfile(profiles.path(), QStringLiteral("msm"),
                                ErpServerFixture::ProfileKind::Msm));
    GatewaySettings settings = m_settings;
    settings.profileDirectory = profiles.path();
    m_gateway = std::make_unique<ErpGateway>(*m_messages, settings);
    connectKind(QStringLiteral("msm"));
    server.kill();
    QVERIFY(!gw().ServerExecuteChecked(answering(QStringLiteral("1"))).ok);
    QVERIFY(!gw().logon.Connected);
    QString error;
    QVERIFY(!gw().ConnectByProfile(QStringLiteral("cache"), &error));
    QVERIFY2(error.contains(QStringLiteral("nicht hergestellt")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestServerExecute)
#include "tst_serverexecute.moc"
