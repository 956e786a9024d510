#include "tests/support/ErpServerFixture.h"
#include "tests/support/RawLineClient.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <csignal>

// The line service on GT.M, spoken to in raw frames: framing, greeting, lines, capture,
// isolation, binary safety, allow-list and stop. The stand-ins' contract: tst_standins.
class TestLineService : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void greeting_data();
    void greeting();
    void brokenFraming_data();
    void brokenFraming();
    void requestWithoutCommandKeepsConnection();
    void line_data();
    void line();
    void captureHoldsOnlyItsOwnLine();
    void haltEndsOnlyItsConnection();
    void clientGoingAwayEndsItsProcess();
    void everyByteTravelsUnchanged();
    void localsLiveOnePerConnection();
    void msmPersonaShowsMsmVersion_data();
    void msmPersonaShowsMsmVersion();
    void peerOutsideAllowListIsRefused();
    void stopFlagStopsListener();
    void killedServerStartsAgainWithItsData();
    void startingAgainKeepsRunningServer();
    void cleanupTestCase();

private:
    // The capture files that mark living serving processes.
    QStringList servingProcesses() const;
    bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

    std::unique_ptr<ErpServerFixture> m_server;
};

void TestLineService::initTestCase() {
    m_server = std::make_unique<ErpServerFixture>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestLineService::cleanupTestCase() {
    m_server.reset();
}

QStringList TestLineService::servingProcesses() const {
    // A line that HALTs leaves its mark behind; only living processes count.
    QStringList living;
    for (const QString &mark : QDir(m_server->dir() + "/run").entryList({"kwplsvc-*.out"})) {
        if (ErpServerFixture::processAlive(mark.mid(8, mark.size() - 12).toLongLong()))
            living << mark;
    }
    return living;
}

bool TestLineService::waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

void TestLineService::greeting_data() {
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("textPart");

    QTest::newRow("served namespace")
        << QByteArray("KWP1CKORVEX") << QByteArray("0") << QByteArray();
    QTest::newRow("msm persona") << QByteArray("KWP1MKORVEX") << QByteArray("0") << QByteArray();
    QTest::newRow("unknown namespace")
        << QByteArray("KWP1CNOPE") << QByteArray("2") << QByteArray("\"NOPE\"");
    QTest::newRow("no namespace") << QByteArray("KWP1C") << QByteArray("2")
                                  << QByteArray("nicht eingerichtet");
    QTest::newRow("lower-case namespace")
        << QByteArray("KWP1Ckorvex") << QByteArray("2") << QByteArray("korvex");
    QTest::newRow("other protocol")
        << QByteArray("KWP2CKORVEX") << QByteArray("1") << QByteArray("KWP1");
    QTest::newRow("unknown persona")
        << QByteArray("KWP1XKORVEX") << QByteArray("1") << QByteArray("KWP1");
    QTest::newRow("a line instead")
        << QByteArray("X0S P0=1") << QByteArray("1") << QByteArray("KWP1");
}

void TestLineService::greeting() {
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, textPart);

    RawLineClient client;
    QVERIFY(client.connectTo(m_server->port()));
    QVERIFY(client.sendFrame(greeting));
    const QList<QByteArray> reply = client.readReply();
    QCOMPARE(reply.size(), 4);
    QCOMPARE(reply[0], code);
    QVERIFY2(reply[1].contains(textPart), reply[1].constData());
    if (code == "0") {
        QVERIFY(reply[2].split(' ').contains("logon")); // the request kinds it knows
        QCOMPARE(client.logOn("1", "0", "demo").value(0), QByteArray("0"));
        QCOMPARE(client.execute("S P0=6*7").value(2), QByteArray("42"));
    } else
        QVERIFY(client.closedByServer());
}

void TestLineService::brokenFraming_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("answered");

    QTest::newRow("letters in the length") << QByteArray("0000001xS P0=1") << true;
    QTest::newRow("sign in the length") << QByteArray("-0000010X0S P0=1") << true;
    QTest::newRow("more than 1 MiB announced") << QByteArray("01048577X0") << true;
    QTest::newRow("truncated payload") << QByteArray("00000020X0S P0") << false;
    QTest::newRow("truncated length") << QByteArray("0000") << false;
}

// A broken frame ends its connection (with a reason when the length cannot be read) and
// neither the listener nor other connections notice.
void TestLineService::brokenFraming() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, answered);

    RawLineClient bystander;
    QVERIFY(bystander.open(m_server->port()));
    const QStringList before = servingProcesses();

    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    const QStringList during = servingProcesses();
    QVERIFY(client.sendRaw(bytes));
    if (answered) {
        const QList<QByteArray> reply = client.readReply();
        QCOMPARE(reply.value(0), QByteArray("1"));
        // The service's own texts are in the server's character set, Windows-1252.
        QVERIFY(reply.value(1).startsWith("Ung\xfcltiger Rahmen"));
        QVERIFY(client.closedByServer());
    } else {
        client.close();
    }
    QVERIFY2(waitUntil([&] { return servingProcesses() == before; }),
             "serving process did not end");

    QCOMPARE(bystander.execute("S P0=1").value(2), QByteArray("1"));
    RawLineClient next;
    QVERIFY(next.open(m_server->port()));
}

void TestLineService::requestWithoutCommandKeepsConnection() {
    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    for (const QByteArray &bad :
         {QByteArray(), QByteArray("X"), QByteArray("X2S P0=1"), QByteArray("Z0S P0=1")}) {
        QVERIFY(client.sendFrame(bad));
        QCOMPARE(client.readReply().value(0), QByteArray("1"));
    }
    QCOMPARE(client.execute("S P0=\"still here\"").value(2), QByteArray("still here"));
}

void TestLineService::line_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QByteArray>("p0");
    QTest::addColumn<QByteArray>("output"); // for failures: a part of the error text

    QTest::newRow("answer in P0") << QByteArray("S P0=\"a\"_\"b\"") << false << true
                                  << QByteArray("ab") << QByteArray();
    QTest::newRow("empty line") << QByteArray("") << false << true << QByteArray("before")
                                << QByteArray();
    QTest::newRow("output captured") << QByteArray("S P0=1 W \"abc\",!,\"def\"") << true << true
                                     << QByteArray("1") << QByteArray("abc\ndef");
    QTest::newRow("output discarded") << QByteArray("S P0=2 W \"abc\",!,\"def\"") << false << true
                                      << QByteArray("2") << QByteArray();
    QTest::newRow("output ends in new line")
        << QByteArray("W \"x\",!") << true << true << QByteArray("before") << QByteArray("x\n");
    QTest::newRow("output ends in line feed byte") << QByteArray("W \"x\",$C(10)") << true << true
                                                   << QByteArray("before") << QByteArray("x\n");
    QTest::newRow("long output") << QByteArray("F I=1:1:3000 W \"0123456789\"") << true << true
                                 << QByteArray("before") << QByteArray("0123456789").repeated(3000);
    QTest::newRow("writes to the principal device")
        << QByteArray("U $P W \"garbage\",! S P0=\"after\"") << false << true << QByteArray("after")
        << QByteArray();
    QTest::newRow("kills every local")
        << QByteArray("S X=1 K  S P0=$D(X)") << false << true << QByteArray("0") << QByteArray();
    QTest::newRow("news and kills")
        << QByteArray("N (P0) K  S P0=\"n\"") << false << true << QByteArray("n") << QByteArray();
    QTest::newRow("syntax error") << QByteArray("S P0=\"open") << false << false << QByteArray()
                                  << QByteArray("GTM-E-");
    QTest::newRow("division by zero")
        << QByteArray("S P0=1/0") << false << false << QByteArray() << QByteArray("DIVZERO");
    QTest::newRow("error deep in a routine") << QByteArray("D PASS^%ONLCL0(1)") << false << false
                                             << QByteArray() << QByteArray("%ONLCL0");
    QTest::newRow("error after output") << QByteArray("W \"part\" S P0=1/0") << true << false
                                        << QByteArray() << QByteArray("DIVZERO");
    QTest::newRow("unknown routine")
        << QByteArray("D ^NOSUCHRT") << false << false << QByteArray() << QByteArray("ZLINKFILE");
    QTest::newRow("longer than the engine takes")
        << "S P0=\"" + QByteArray(9000, 'x') + "\"" << false << false << QByteArray()
        << QByteArray("INDRMAXLEN");
    QTest::newRow("error trap of its own")
        << QByteArray("N $ET S $ET=\"S $EC=\"\"\"\",P0=\"\"own\"\"\" S X=1/0") << false << true
        << QByteArray("own") << QByteArray();
}

// Each line, whatever it does, leaves the connection in step: the next line answers.
void TestLineService::line() {
    QFETCH(QByteArray, line);
    QFETCH(bool, capture);
    QFETCH(bool, succeeds);
    QFETCH(QByteArray, p0);
    QFETCH(QByteArray, output);

    static RawLineClient client;
    static bool opened = client.open(m_server->port());
    QVERIFY(opened);
    QCOMPARE(client.execute("S P0=\"before\"").value(0), QByteArray("0"));
    const QList<QByteArray> reply = client.execute(line, capture);
    QCOMPARE(reply.size(), 4);
    if (succeeds) {
        QVERIFY2(reply[0] == "0", reply[1].constData());
        QCOMPARE(reply[1], QByteArray());
        QCOMPARE(reply[3], output);
    } else {
        QVERIFY(reply[0] != "0");
        QVERIFY(reply[0].toLongLong() != 0);
        QVERIFY2(reply[1].contains(output), reply[1].constData());
        QCOMPARE(reply[3], QByteArray());
    }
    QCOMPARE(reply[2], p0);
    QCOMPARE(client.execute("S Y=\"in step\"").value(0), QByteArray("0"));
    QCOMPARE(client.execute("S P0=Y").value(2), QByteArray("in step"));
}

// The capture file is kept from line to line: each captured line answers with its own output
// only, after longer output, a failure, or a line that closed the capture device itself.
void TestLineService::captureHoldsOnlyItsOwnLine() {
    struct Step {
        QByteArray line;
        QByteArray code; // empty: any
        QByteArray output;
    };
    const QList<Step> steps{
        {"F I=1:1:7000 W \"0123456789\"", "0", QByteArray("0123456789").repeated(7000)},
        {"W \"ab\"", "0", "ab"},
        {"S P0=1", "0", ""},
        {"W \"part\" S P0=1/0", {}, ""},
        {"W \"after\",!", "0", "after\n"},
        {"C $IO S P0=2", {}, ""},
        {"W \"again\"", "0", "again"},
    };
    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    for (const Step &step : steps) {
        const QList<QByteArray> reply = client.execute(step.line, true);
        QVERIFY2(reply.size() == 4, step.line.constData());
        if (!step.code.isEmpty())
            QCOMPARE(reply[0], step.code);
        QCOMPARE(reply[3], step.output);
    }
}

void TestLineService::haltEndsOnlyItsConnection() {
    RawLineClient bystander;
    QVERIFY(bystander.open(m_server->port()));
    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    QVERIFY(client.sendFrame("X0S P0=1 H"));
    QVERIFY(client.closedByServer());
    QCOMPARE(bystander.execute("S P0=3").value(2), QByteArray("3"));
    QVERIFY(client.open(m_server->port()));
}

void TestLineService::clientGoingAwayEndsItsProcess() {
    const QStringList before = servingProcesses();
    QString mine;
    {
        RawLineClient client;
        QVERIFY(client.open(m_server->port()));
        for (const QString &mark : servingProcesses()) {
            if (!before.contains(mark))
                mine = mark;
        }
        QVERIFY(!mine.isEmpty());
        client.execute("S P0=1", true);
    }
    QVERIFY(waitUntil([&] { return !servingProcesses().contains(mine); }));
}

void TestLineService::everyByteTravelsUnchanged() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QByteArray inLiteral = all;
    inLiteral.replace('"', "\"\"");

    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    const QList<QByteArray> reply = client.execute("S P0=\"" + inLiteral + "\" W P0", true);
    QCOMPARE(reply.value(0), QByteArray("0"));
    QCOMPARE(reply.value(2), all);
    QCOMPARE(reply.value(3), all);

    QByteArray codes = "S P0=\"\" F I=0:1:255 S P0=P0_$C(I)";
    QCOMPARE(client.execute(codes).value(2), all);
    QCOMPARE(client.execute("S P0=$L(P0)").value(2), QByteArray("256"));

    // An answer of almost the longest string; a line itself is limited to 8192 bytes.
    const QByteArray longest(1000000, '\xfc');
    QCOMPARE(client.execute("S P0=$TR($J(\"\",1000000),\" \",$C(252))").value(2), longest);
    QCOMPARE(client.execute("W P0 S P0=1", true).value(3), longest);
    // P0 and the output together exceed the longest reply: an error, and the line is known failed.
    const QList<QByteArray> tooLong =
        client.execute("S P0=$TR($J(\"\",1000000),\" \",$C(252)) W P0", true);
    QVERIFY(tooLong.value(1).contains("MAXSTRLEN"));
    QCOMPARE(client.execute("S P0=2").value(2), QByteArray("2"));
}

void TestLineService::localsLiveOnePerConnection() {
    RawLineClient first;
    RawLineClient second;
    QVERIFY(first.open(m_server->port()));
    QVERIFY(second.open(m_server->port()));
    QCOMPARE(first.execute("S X=\"first\",%=\"`\",P0=1").value(0), QByteArray("0"));
    QCOMPARE(second.execute("S P0=$D(X)").value(2), QByteArray("0"));
    QCOMPARE(second.execute("S X=\"second\"").value(0), QByteArray("0"));
    QCOMPARE(first.execute("S P0=X_%").value(2), QByteArray("first`"));
    QCOMPARE(second.execute("S P0=X").value(2), QByteArray("second"));
    // The service's own locals are out of a line's reach.
    QCOMPARE(first.execute("S P0=$D(%KWPS)_$D(%KWPC)").value(2), QByteArray("00"));
}

void TestLineService::msmPersonaShowsMsmVersion_data() {
    QTest::addColumn<char>("persona");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("output");

    const QByteArray answering = "S P0=\"Antwort\" W:$F($ZV,\"MSM\") P0";
    QTest::newRow("answering line, msm") << 'M' << answering << QByteArray("Antwort");
    QTest::newRow("answering line, cache") << 'C' << answering << QByteArray();
    QTest::newRow("full name, lower case")
        << 'M' << QByteArray("W $F($zversion,\"MSM\")>0") << QByteArray("1");
    QTest::newRow("inside a literal")
        << 'M' << QByteArray("W \"$ZV\",\"$zversion\"") << QByteArray("$ZV$zversion");
    QTest::newRow("after a literal")
        << 'M' << QByteArray("W \"a\"\"b\",$E($ZV,1,3)") << QByteArray("a\"bMSM");
    QTest::newRow("other z-variable") << 'M' << QByteArray("W $ZVX") << QByteArray();
    QTest::newRow("log-on, msm") << 'M' << QByteArray("D PASS^%ONLCL0(1,0,\"demo\") W \"|\",P0")
                                 << QByteArray();
    QTest::newRow("log-on, cache")
        << 'C' << QByteArray("D PASS^%ONLCL0(1,0,\"demo\")") << QByteArray();
}

void TestLineService::msmPersonaShowsMsmVersion() {
    QFETCH(char, persona);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, output);

    RawLineClient client;
    QVERIFY(client.open(m_server->port(), persona));
    const QList<QByteArray> reply = client.execute(line, true);
    if (line == "W $ZVX") {
        QVERIFY(reply.value(0) != "0"); // not a variable: left alone, and an error
        return;
    }
    QCOMPARE(reply.value(0), QByteArray("0"));
    if (line.startsWith("D PASS")) {
        const QByteArray answer = reply[2];
        QVERIFY(answer.startsWith("DEMO`"));
        QCOMPARE(reply[3], persona == 'M' ? answer + "|" + answer : QByteArray());
        return;
    }
    QCOMPARE(reply[3], output);
    const QList<QByteArray> version = client.execute("S P0=$ZV");
    QCOMPARE(version.value(2).contains("MSM"), persona == 'M');
}

void TestLineService::peerOutsideAllowListIsRefused() {
    // A second listener on the same database whose allow-list lacks loopback.
    QFile conf(m_server->dir() + "/kwplsvc.conf");
    QVERIFY(conf.open(QIODevice::ReadOnly));
    QByteArray text = conf.readAll();
    const quint16 port = ErpServerFixture::freePort();
    text.replace("port=" + QByteArray::number(m_server->port()),
                 "port=" + QByteArray::number(port));
    text.replace("kwplsvc.pid", "other.pid").replace("kwplsvc.stop", "other.stop");
    text += "allow=10.255.255.1\nallow=192.0.2.*\n";
    const QString otherConf = m_server->dir() + "/other.conf";
    QFile out(otherConf);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();

    const QString script = ErpServerFixture::sourceDir() + "/gateway/mumps/kwplsvc";
    QProcess start;
    start.start(script, {"start", otherConf});
    QVERIFY(start.waitForFinished(30000));
    QVERIFY2(start.exitCode() == 0, start.readAllStandardError().constData());

    RawLineClient client;
    const bool connected = client.connectTo(port);
    QVERIFY(connected);
    const QList<QByteArray> reply = client.readReply();
    QCOMPARE(reply.value(0), QByteArray("3"));
    QVERIFY(reply.value(1).contains("nicht erlaubt"));
    QVERIFY(client.closedByServer());

    QProcess stop;
    stop.start(script, {"stop", otherConf});
    QVERIFY(stop.waitForFinished(30000));
    QCOMPARE(stop.exitCode(), 0);
    QVERIFY(!QFile::exists(m_server->dir() + "/other.pid"));
}

void TestLineService::stopFlagStopsListener() {
    ErpServerFixture server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    const qint64 pid = server.pid();
    QFile flag(server.dir() + "/kwplsvc.stop");
    QVERIFY(flag.open(QIODevice::WriteOnly));
    flag.close();
    QVERIFY(waitUntil([&] { return !ErpServerFixture::processAlive(pid); }, 10000));
    QVERIFY(!QFile::exists(server.dir() + "/kwplsvc.pid"));
    QVERIFY(!flag.exists());
    RawLineClient client;
    QVERIFY(!client.connectTo(server.port(), 1000));
}

void TestLineService::killedServerStartsAgainWithItsData() {
    ErpServerFixture server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QVERIFY(server.setGlobal("^KEEP(1)", "kept"));
    RawLineClient connected;
    QVERIFY(connected.open(server.port()));
    server.kill();
    QVERIFY(connected.closedByServer());

    QProcess start;
    start.start(ErpServerFixture::sourceDir() + "/demo/erp-server",
                {"start", "--dir", server.dir(), "--port", QString::number(server.port())});
    QVERIFY(start.waitForFinished(60000));
    QVERIFY2(start.exitCode() == 0, start.readAllStandardError().constData());
    QCOMPARE(server.global("^KEEP(1)"), QByteArray("kept"));
}

void TestLineService::startingAgainKeepsRunningServer() {
    RawLineClient connected;
    QVERIFY(connected.open(m_server->port()));
    QVERIFY(connected.execute("S KEEP=1").value(0) == "0");
    QProcess start;
    start.start(ErpServerFixture::sourceDir() + "/demo/erp-server",
                {"start", "--dir", m_server->dir(), "--port", QString::number(m_server->port())});
    QVERIFY(start.waitForFinished(60000));
    QCOMPARE(start.exitCode(), 0);
    QCOMPARE(start.readAllStandardOutput().trimmed().toLongLong(), m_server->pid());
    QCOMPARE(connected.execute("S P0=KEEP").value(2), QByteArray("1"));
}

QTEST_GUILESS_MAIN(TestLineService)
#include "tst_lineservice.moc"
