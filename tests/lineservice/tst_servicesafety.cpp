#include "gateway/ErpGateway.h"
#include "gateway/GatewaySettings.h"
#include "gateway/LineClient.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RawLineClient.h"
#include "tests/support/RecordedMessages.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

#include <unistd.h>

// The line service as a hostile peer or a careless operator meets it: TLS with real
// certificates, limits on connections and their time, lines that break the service's own
// socket, the process limit, stop among other instances, the refusal of root.
class TestServiceSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void tls_data();
    void tls();
    void profileAsksForTls_data();
    void profileAsksForTls();
    void connectionCap();
    void defaultCapRefusesWithBusy();
    void silentConnectionsAreClosed_data();
    void silentConnectionsAreClosed();
    void lineBreakingItsSocketEndsItsProcess_data();
    void lineBreakingItsSocketEndsItsProcess();
    void listenerAtProcessLimitAnswers();
    void stopSparesForeignProcesses();
    void rootIsRefused_data();
    void rootIsRefused();
    void cleanupTestCase();

private:
    // Another listener on the TLS server's database: its configuration with the port, PID and
    // stop file of its own and extra lines appended (a later key wins). Returns its config.
    QString variantConf(const QByteArray &name, const QByteArray &lines, quint16 &port);
    // Starts that listener once per name; its port, 0 when it did not start.
    quint16 startVariant(const QByteArray &name, const QByteArray &lines);
    QString confOf(const QByteArray &name) const { return m_server->dir() + "/" + name + ".conf"; }
    // kwplsvc start or stop for a configuration; the exit code, -1 on a time-out.
    int service(const QString &command, const QString &conf, QByteArray *error = nullptr);
    QByteArray logText() const;
    static bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 8000);
    // Runs a bash script; its standard output.
    static QByteArray run(const QString &script);

    std::unique_ptr<ErpServerFixture> m_server; // TLS, demo certificates
    QTemporaryDir m_certs;                      // an unknown CA, an expired server certificate
    QHash<QByteArray, quint16> m_variants;
};

void TestServiceSafety::initTestCase() {
    m_server = std::make_unique<ErpServerFixture>(QString(), QStringList{"--tls"});
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    const QString d = m_server->dir();
    run("cd '" + m_certs.path() +
        "' && "
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout other-ca.key -out other-ca.pem "
        "-days 30 -subj '/CN=Unknown CA' && "
        "openssl req -newkey rsa:2048 -nodes -keyout expired.key -out expired.csr -subj '/CN=old' "
        "&& "
        "printf 'subjectAltName=IP:127.0.0.1\\n' >ext && "
        "openssl x509 -req -in expired.csr -CA '" +
        d + "/ca.pem' -CAkey '" + d +
        "/tls/ca.key' -days -1 -extfile ext -out expired.pem && chmod 0644 expired.key && "
        "chmod 0755 .");
    QVERIFY(QFile::exists(m_certs.path() + "/expired.pem"));
}

void TestServiceSafety::cleanupTestCase() {
    for (const QByteArray &name : m_variants.keys())
        service("stop", confOf(name));
    m_server.reset();
}

QByteArray TestServiceSafety::run(const QString &script) {
    QProcess shell;
    shell.start("bash", {"-c", script});
    shell.waitForFinished(60000);
    return shell.readAllStandardOutput();
}

bool TestServiceSafety::waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

QByteArray TestServiceSafety::logText() const {
    QFile log(m_server->logFile());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

int TestServiceSafety::service(const QString &command, const QString &conf, QByteArray *error) {
    QProcess script;
    script.start(ErpServerFixture::sourceDir() + "/gateway/mumps/kwplsvc", {command, conf});
    if (!script.waitForFinished(30000))
        return -1;
    if (error)
        *error = script.readAllStandardError();
    return script.exitCode();
}

quint16 TestServiceSafety::startVariant(const QByteArray &name, const QByteArray &lines) {
    if (!m_variants.contains(name)) {
        quint16 port = 0;
        QByteArray error;
        const QString conf = variantConf(name, lines, port);
        if (service("start", conf, &error) != 0) {
            qWarning("%s", error.constData());
            return 0;
        }
        m_variants.insert(name, port);
    }
    return m_variants.value(name);
}

QString TestServiceSafety::variantConf(const QByteArray &name, const QByteArray &lines,
                                       quint16 &port) {
    QFile conf(m_server->dir() + "/kwplsvc.conf");
    if (!conf.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = conf.readAll();
    port = ErpServerFixture::freePort();
    text.replace("port=" + QByteArray::number(m_server->port()),
                 "port=" + QByteArray::number(port));
    text.replace("kwplsvc.pid", name + ".pid").replace("kwplsvc.stop", name + ".stop");
    const QString path = m_server->dir() + "/" + name + ".conf";
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(text + "\n" + lines);
    return path;
}

void TestServiceSafety::tls_data() {
    QTest::addColumn<QByteArray>("serverLines"); // empty: the demo's TLS server
    QTest::addColumn<bool>("tls");
    QTest::addColumn<QString>("caFile");      // relative to the server's folder or m_certs
    QTest::addColumn<QString>("certificate"); // the client's, in the server's folder
    QTest::addColumn<bool>("greeted");
    QTest::addColumn<QString>("textPart");

    QTest::newRow("good certificate") << QByteArray() << true << "ca.pem"
                                      << "" << true << "";
    QTest::newRow("unknown CA") << QByteArray() << true << "@other-ca.pem"
                                << "" << false << "nicht vertrauenswürdig";
    QTest::newRow("expired server certificate")
        << QByteArray("tlscert=@expired.pem\ntlskey=@expired.key\n") << true << "ca.pem"
        << "" << false << "nicht vertrauenswürdig";
    QTest::newRow("plain client") << QByteArray() << false << ""
                                  << "" << false << "TLS=1";
    QTest::newRow("client certificate required, offered")
        << QByteArray("tlsclients=require\n") << true << "ca.pem"
        << "client.pem" << true << "";
    QTest::newRow("client certificate required, none")
        << QByteArray("tlsclients=require\n") << true << "ca.pem"
        << "" << false << "";
}

// Greets over TLS through the program's own client; whatever fails, nothing is served.
void TestServiceSafety::tls() {
    QFETCH(QByteArray, serverLines);
    QFETCH(bool, tls);
    QFETCH(QString, caFile);
    QFETCH(QString, certificate);
    QFETCH(bool, greeted);
    QFETCH(QString, textPart);

    quint16 port = m_server->port();
    if (!serverLines.isEmpty()) {
        port = startVariant(serverLines.contains("expired") ? "expired" : "mutual",
                            serverLines.replace("@", m_certs.path().toUtf8() + "/"));
        QVERIFY(port);
    }
    const auto inFolder = [&](const QString &file) {
        return file.startsWith('@') ? m_certs.path() + "/" + file.mid(1)
                                    : m_server->dir() + "/" + file;
    };
    LineSecurity security;
    security.tls = tls;
    security.caFile = caFile.isEmpty() ? QString() : inFolder(caFile);
    if (!certificate.isEmpty()) {
        security.clientCertificate = inFolder(certificate);
        security.clientKey = inFolder("client.key");
    }
    LineClient client;
    const bool ok = client.connectTo("127.0.0.1", QString::number(port), 2000, security) &&
                    client.greet('C', "KORVEX", 2000);
    QVERIFY2(ok == greeted, qPrintable(client.errorText() + " | " + client.errorDetails()));
    QVERIFY2(client.errorText().contains(textPart), qPrintable(client.errorText()));
    if (greeted) {
        LineClient::Reply reply;
        QVERIFY(client.serviceKnows("logon") && !client.serviceKnows("records"));
        QVERIFY(client.logOn("1", "0", "demo", 5000, reply));
        QVERIFY(client.execute("S P0=6*7", false, 5000, reply));
        QCOMPARE(reply.p0, QByteArray("42"));
    }
}

void TestServiceSafety::profileAsksForTls_data() {
    QTest::addColumn<ErpServerFixture::ProfileKind>("kind");
    QTest::addColumn<QByteArray>("caFile"); // the INI's CaFile, relative to the INI
    QTest::addColumn<bool>("connects");
    QTest::newRow("cache kind") << ErpServerFixture::ProfileKind::Cache << QByteArray("ca.pem")
                                << true;
    QTest::newRow("msm kind") << ErpServerFixture::ProfileKind::Msm << QByteArray("ca.pem") << true;
    QTest::newRow("no CA file") << ErpServerFixture::ProfileKind::Cache << QByteArray() << false;
}

// The program's own road: the profile's TLS=1 and the INI's CaFile reach the connection.
void TestServiceSafety::profileAsksForTls() {
    QFETCH(ErpServerFixture::ProfileKind, kind);
    QFETCH(QByteArray, caFile);
    QFETCH(bool, connects);

    QTemporaryDir profiles;
    QVERIFY(m_server->writeProfile(profiles.path(), "tls", kind));
    QFile profile(profiles.path() + "/tls.mco");
    QVERIFY(profile.open(QIODevice::Append));
    profile.write("TLS=1\n");
    profile.close();
    QFile::copy(m_server->dir() + "/ca.pem", profiles.path() + "/ca.pem");
    QFile ini(profiles.path() + "/kwp-import.ini");
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ErpServer]\nProfileDirectory=" + profiles.path().toUtf8() +
              "\nConnectTimeout=2\nCaFile=" + caFile + "\n");
    ini.close();
    RecordedMessages messages;
    ErpGateway gateway(messages);
    QVERIFY(loadGatewaySettings(ini.fileName(), gateway.settings).isEmpty());

    QString error;
    const bool connected = gateway.ConnectByProfile("tls", &error) &&
                           !gateway.CheckServerPassword("1", "0", "demo").isEmpty();
    const ServerAnswer answer = gateway.ServerExecuteChecked("S P0=6*7 W:$F($ZV,\"MSM\") P0");
    gateway.ServerDisconnect();
    QVERIFY2(connected == connects, qPrintable(error));
    if (connects)
        QCOMPARE(answer.answer, QString("42"));
    else
        QVERIFY2(error.contains("CaFile"), qPrintable(error));
}

void TestServiceSafety::connectionCap() {
    const quint16 port = startVariant("capped", "tlscert=\nmaxconnections=2\n");
    QVERIFY(port);
    RawLineClient first, second, third;
    QVERIFY(first.open(port));
    QVERIFY(second.open(port));
    QVERIFY(third.connectTo(port));
    const QList<QByteArray> busy = third.readReply();
    QCOMPARE(busy.value(0), QByteArray("4"));
    QVERIFY(busy.value(1).contains("ausgelastet"));
    QVERIFY(third.closedByServer());
    QVERIFY(waitUntil([&] { return logText().contains("busy: 2 connections served"); }));
    // A freed place is taken by the next client.
    first.close();
    QVERIFY(waitUntil([&] {
        RawLineClient next;
        return next.open(port);
    }));
    QCOMPARE(second.execute("S P0=1").value(2), QByteArray("1"));

    // A client that connects and closes 30 times a second holds one place at most.
    second.close();
    QVERIFY(waitUntil([&] { return first.open(port); }));
    for (int i = 0; i < 30; ++i) {
        RawLineClient brief;
        QVERIFY2(brief.greet(port), "refused for a place the client does not hold");
        brief.close();
        QThread::msleep(33);
    }
    QVERIFY(second.open(port));
}

// At the default cap of 64 the refusals go their own way: the "busy" answer and log line,
// never the listener's error trap (the check of ended processes once built a command line
// too long for GT.M).
void TestServiceSafety::defaultCapRefusesWithBusy() {
    const quint16 port = startVariant("defaultcap", "tlscert=\n");
    QVERIFY(port);
    std::vector<std::unique_ptr<RawLineClient>> served;
    for (int i = 0; i < 64; ++i) {
        served.push_back(std::make_unique<RawLineClient>());
        QVERIFY(served.back()->greet(port));
    }
    for (int i = 0; i < 5; ++i) {
        RawLineClient refused;
        QVERIFY(refused.connectTo(port));
        QCOMPARE(refused.readReply().value(0), QByteArray("4"));
    }
    QVERIFY(waitUntil([&] { return logText().count("busy: 64 connections served") >= 5; }));
    QVERIFY(!logText().contains("listener error"));
}

void TestServiceSafety::silentConnectionsAreClosed_data() {
    QTest::addColumn<QByteArray>("tls");  // the variant's TLS lines; empty: plain
    QTest::addColumn<QByteArray>("sent"); // before falling silent
    QTest::addColumn<bool>("greet");
    QTest::addColumn<QByteArray>("logged");

    const QByteArray plain = "tlscert=\n";
    QTest::newRow("nothing sent") << plain << QByteArray() << false
                                  << QByteArray("no greeting within 1 s");
    QTest::newRow("half a header")
        << plain << QByteArray("0000") << false << QByteArray("no greeting within 1 s");
    QTest::newRow("idle after greeting")
        << plain << QByteArray() << true << QByteArray("idle for 1 s");
    QTest::newRow("half a request")
        << plain << QByteArray("00000020X0") << true << QByteArray("idle for 1 s");
    const QByteArray tlsSilent = "no TLS handshake and greeting within 1 s";
    QTest::newRow("TLS: nothing sent")
        << QByteArray("#tls\n") << QByteArray() << false << tlsSilent;
    QTest::newRow("TLS: half a hello")
        << QByteArray("#tls\n") << QByteArray("\x16\x03\x01\x00") << false << tlsSilent;
    QTest::newRow("TLS with client certificates: nothing sent")
        << QByteArray("tlsclients=require\n") << QByteArray() << false << tlsSilent;
}

void TestServiceSafety::silentConnectionsAreClosed() {
    QFETCH(QByteArray, tls);
    QFETCH(QByteArray, sent);
    QFETCH(bool, greet);
    QFETCH(QByteArray, logged);

    const quint16 port = startVariant(tls.startsWith("tlscert=") ? "timed"
                                      : tls.contains("require")  ? "timedclients"
                                                                 : "timedtls",
                                      tls + "greettimeout=1\nidletimeout=1\n");
    QVERIFY(port);
    const qsizetype before = logText().count(logged);
    RawLineClient client;
    QVERIFY(greet ? client.open(port) : client.connectTo(port));
    if (!sent.isEmpty())
        QVERIFY(client.sendRaw(sent));
    QVERIFY(client.closedByServer(5000));
    QVERIFY(waitUntil([&] { return logText().count(logged) > before; }));
}

void TestServiceSafety::lineBreakingItsSocketEndsItsProcess_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("closes the socket") << QByteArray("C \"kwpsock\"");
    QTest::newRow("detaches the socket")
        << QByteArray("U \"kwpsock\":(DETACH=$ZSOCKET(\"kwpsock\",\"SOCKETHANDLE\",0))");
    QTest::newRow("closes it in an error") << QByteArray("C \"kwpsock\" S X=1/0");
}

void TestServiceSafety::lineBreakingItsSocketEndsItsProcess() {
    QFETCH(QByteArray, line);
    const quint16 port = startVariant("plain", "tlscert=\n");
    QVERIFY(port);
    RawLineClient client;
    QVERIFY(client.open(port));
    const qint64 pid = client.execute("S P0=$J").value(2).toLongLong();
    QVERIFY(pid > 0);
    QVERIFY(client.sendFrame("X0" + line));
    QVERIFY(client.closedByServer());
    QVERIFY2(waitUntil([&] { return !ErpServerFixture::processAlive(pid); }),
             "the serving process lives on");
}

// A listener whose account may run three processes (an account of its own, nobody, so
// that other servers do not count): one serving process fits, a second cannot be started.
void TestServiceSafety::listenerAtProcessLimitAnswers() {
    QTemporaryDir own;
    QVERIFY(QFile::setPermissions(own.path(), QFile::Permissions(0x7777)));
    const QByteArray at = own.path().toUtf8();
    quint16 port = 0;
    const QString conf = variantConf("limited",
                                     "tlscert=\nworkdir=" + at + "\nlogfile=" + at +
                                         "/limited.log\npidfile=" + at + "/limited.pid\n",
                                     port);
    const QString env = ErpServerFixture::sourceDir() + "/gateway/mumps/gtm-env.sh";
    // The database is the service account's and its group's: the group lets nobody in.
    const QString group = QString::number(QFileInfo(m_server->dir() + "/kwp.dat").groupId());
    QProcess::startDetached(
        "setpriv", {"--reuid=nobody", "--regid=" + group, "--clear-groups", "bash", "-c",
                    "source '" + env +
                        "' && gtm_use_dist && export gtmroutines=\"$(sed -n "
                        "'s/^routines=//p' '" +
                        conf + "' | tail -n1)\" && cd '" + own.path() +
                        "' && exec prlimit --nproc=3:3 \"$gtm_dist/mumps\" -run START^KWPLSVC '" +
                        conf + "' </dev/null >>limited.log 2>&1"});
    const auto log = [&] {
        QFile file(own.path() + "/limited.log");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QVERIFY2(waitUntil([&] { return log().contains("listening on port"); }), log().constData());

    RawLineClient served;
    QVERIFY(served.open(port));
    RawLineClient refused;
    QVERIFY(refused.connectTo(port));
    const QList<QByteArray> reply = refused.readReply(20000);
    QCOMPARE(reply.value(0), QByteArray("4"));
    QVERIFY(log().contains("cannot start a serving process") || log().contains("JOBFAIL"));
    // The listener goes on: once the place is free, the next client is served.
    served.close();
    QVERIFY(waitUntil([&] {
        RawLineClient next;
        return next.open(port) && next.execute("S P0=2").value(2) == "2";
    }));
    QCOMPARE(service("stop", conf), 0);
}

void TestServiceSafety::stopSparesForeignProcesses() {
    ErpServerFixture server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    const quint16 port = startVariant("foreign", "tlscert=\n");
    QVERIFY(port);
    const qint64 foreignPid =
        run("head -n1 '" + m_server->dir() + "/foreign.pid'").trimmed().toLongLong();
    QVERIFY(ErpServerFixture::processAlive(foreignPid));
    // Left-over marks in the stopped instance's folder: a live process of another instance,
    // and one of a process long gone.
    const QString marks = server.dir() + "/run/kwplsvc-";
    QFile live(marks + QString::number(foreignPid) + ".out");
    QFile gone(marks + "999999999.out");
    QVERIFY(live.open(QIODevice::WriteOnly) && gone.open(QIODevice::WriteOnly));
    live.close();
    gone.close();

    const qint64 listener = server.pid();
    server.stop();
    QVERIFY(!ErpServerFixture::processAlive(listener));
    QVERIFY(ErpServerFixture::processAlive(foreignPid));
    QVERIFY(!gone.exists());
    RawLineClient client;
    QVERIFY(client.open(port));
}

void TestServiceSafety::rootIsRefused_data() {
    QTest::addColumn<bool>("throughScript");
    QTest::newRow("kwplsvc start without an account") << true;
    QTest::newRow("the routine started by root") << false;
}

void TestServiceSafety::rootIsRefused() {
    QFETCH(bool, throughScript);
    if (geteuid() != 0)
        QSKIP("needs root");
    quint16 port = 0;
    const QString conf =
        variantConf(throughScript ? "rootscript" : "rootroutine", "tlscert=\nuser=\n", port);
    const qsizetype before = logText().count("refusing to run as root");
    QProcess start;
    if (throughScript) {
        start.start(ErpServerFixture::sourceDir() + "/gateway/mumps/kwplsvc", {"start", conf});
    } else {
        const QString env = ErpServerFixture::sourceDir() + "/gateway/mumps/gtm-env.sh";
        start.start("bash", {"-c", "source '" + env +
                                       "' && gtm_use_dist && export gtmroutines=\"$(sed -n "
                                       "'s/^routines=//p' '" +
                                       conf +
                                       "')\" && exec \"$gtm_dist/mumps\" -run "
                                       "START^KWPLSVC '" +
                                       conf + "' </dev/null"});
    }
    QVERIFY(start.waitForFinished(30000));
    QCOMPARE(start.exitCode(), 6);
    if (throughScript)
        QVERIFY(start.readAllStandardError().contains("refusing to run the service as root"));
    else
        QVERIFY(logText().count("refusing to run as root") > before);
    RawLineClient client;
    QVERIFY(!client.connectTo(port, 500));
}

QTEST_GUILESS_MAIN(TestServiceSafety)
#include "tst_servicesafety.moc"
