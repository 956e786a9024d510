#include "tests/support/ErpServerFixture.h"
#include "tests/support/RawLineClient.h"

#include <QFile>
#include <QTest>

// The line service's log-on request in raw frames: nothing runs before a log-on, the values
// reach the check as data, failures are limited per connection, what a peer sends is logged
// only as a bounded, escaped prefix.
class TestLogonRequest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void nothingRunsBeforeLogOn_data();
    void nothingRunsBeforeLogOn();
    void valuesArriveAsSent_data();
    void valuesArriveAsSent();
    void malformedLogOnIsRefused();
    void failedLogOnsCloseTheConnection();
    void peerBytesInTheLogAreBounded();
    void resumeToken_data();
    void resumeToken();
    void failedTokensCloseTheConnection();
    void cleanupTestCase();

private:
    QByteArray logText() const;

    std::unique_ptr<ErpServerFixture> m_server;
};

namespace {
// A line that leaves a mark when it runs.
const QByteArray marking = "S ^KWPTEST(\"ran\")=1";
} // namespace

void TestLogonRequest::initTestCase() {
    m_server = std::make_unique<ErpServerFixture>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestLogonRequest::init() {
    QVERIFY(m_server->killGlobal("^KWPTEST"));
    QVERIFY(m_server->killGlobal("^ONLLAST"));
}

void TestLogonRequest::cleanupTestCase() {
    m_server.reset();
}

QByteArray TestLogonRequest::logText() const {
    QFile log(m_server->logFile());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

void TestLogonRequest::nothingRunsBeforeLogOn_data() {
    QTest::addColumn<char>("persona");
    QTest::addColumn<QByteArray>("wrongPassword"); // empty: no log-on tried first
    QTest::newRow("cache, no log-on") << 'C' << QByteArray();
    QTest::newRow("msm, no log-on") << 'M' << QByteArray();
    QTest::newRow("cache, wrong password") << 'C' << QByteArray("falsch");
    QTest::newRow("msm, empty password") << 'M' << QByteArray("");
}

void TestLogonRequest::nothingRunsBeforeLogOn() {
    QFETCH(char, persona);
    QFETCH(QByteArray, wrongPassword);
    RawLineClient client;
    QVERIFY(client.greet(m_server->port(), persona));
    if (!wrongPassword.isNull()) {
        const QList<QByteArray> reply = client.logOn("1", "0", wrongPassword);
        QCOMPARE(reply.value(0), QByteArray("0"));
        QCOMPARE(reply.value(2) + reply.value(3), QByteArray());
    }
    for (const bool capture : {false, true}) {
        const QList<QByteArray> reply = client.execute(marking + " ZSYSTEM \"true\"", capture);
        QCOMPARE(reply.value(0), QByteArray("5"));
        QVERIFY2(reply.value(1).contains("Nicht angemeldet"), reply.value(1).constData());
    }
    QCOMPARE(m_server->global("^KWPTEST(\"ran\")"), QByteArray());
    // The same connection, logged on, runs lines.
    QVERIFY(client.logOn("1", "0", "demo").value(persona == 'M' ? 3 : 2).startsWith("DEMO`"));
    QCOMPARE(client.execute(marking).value(0), QByteArray("0"));
    QCOMPARE(m_server->global("^KWPTEST(\"ran\")"), QByteArray("1"));
}

void TestLogonRequest::valuesArriveAsSent_data() {
    QTest::addColumn<QByteArray>("company");
    QTest::addColumn<QByteArray>("branch");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("code in the company")
        << QByteArray("1) S ^KWPTEST(\"ran\")=1 D X(1") << QByteArray("0") << QByteArray("demo");
    QTest::newRow("code in the branch")
        << QByteArray("1") << QByteArray("0,\"demo\") S ^KWPTEST(\"ran\")=1 ;")
        << QByteArray("demo");
    QTest::newRow("closing the call in the password")
        << QByteArray("1") << QByteArray("0") << QByteArray("demo\") S ^KWPTEST(\"ran\")=1 ;");
    QTest::newRow("extrinsic function")
        << QByteArray("$$ZSY^X") << QByteArray("@x") << QByteArray("\"_$C(34)_\"");
    QTest::newRow("every control byte")
        << QByteArray("\r\n") << QByteArray("\x00\x7f", 2) << QByteArray("\x01\x1b[2J\xff");
    QTest::newRow("number with leading zeros")
        << QByteArray("01") << QByteArray("00") << QByteArray("demo");
}

// The check receives company, branch and password byte for byte, never as code; what it does
// not accept leaves the connection without a log-on.
void TestLogonRequest::valuesArriveAsSent() {
    QFETCH(QByteArray, company);
    QFETCH(QByteArray, branch);
    QFETCH(QByteArray, password);
    RawLineClient client;
    QVERIFY(client.greet(m_server->port()));
    const QList<QByteArray> reply = client.logOn(company, branch, password);
    QCOMPARE(reply.value(0), QByteArray("0"));
    QCOMPARE(reply.value(2), QByteArray()); // no user with these values
    QCOMPARE(m_server->global("^ONLLAST(\"firma\")"), company);
    QCOMPARE(m_server->global("^ONLLAST(\"fil\")"), branch);
    QCOMPARE(m_server->global("^ONLLAST(\"pw\")"), password);
    QCOMPARE(m_server->global("^KWPTEST(\"ran\")"), QByteArray());
    QCOMPARE(client.execute("S P0=1").value(0), QByteArray("5"));
}

void TestLogonRequest::malformedLogOnIsRefused() {
    RawLineClient client;
    QVERIFY(client.greet(m_server->port()));
    const QByteArray good = RawLineClient::logonRequest("1", "0", "demo");
    for (const QByteArray &bad : {QByteArray("L"), good.chopped(1), good + "x",
                                  QByteArray("L00000001100000001x"), QByteArray("Lx0000001")}) {
        QVERIFY(client.sendFrame(bad));
        QCOMPARE(client.readReply().value(0), QByteArray("1"));
    }
    QCOMPARE(m_server->global("^ONLLAST(\"firma\")"), QByteArray());
    QCOMPARE(client.execute("S P0=1").value(0), QByteArray("5"));
}

void TestLogonRequest::failedLogOnsCloseTheConnection() {
    // A success in between starts the count anew.
    RawLineClient patient;
    QVERIFY(patient.greet(m_server->port()));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(patient.logOn("1", "0", "falsch").value(0), QByteArray("0"));
    QVERIFY(patient.logOn("1", "0", "demo").value(2).startsWith("DEMO`"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(patient.logOn("1", "0", "falsch").value(0), QByteArray("0"));
    QVERIFY(patient.logOn("1", "0", "demo").value(2).startsWith("DEMO`"));

    // The fifth failure in a row is answered, then the connection ends, logged with its peer.
    RawLineClient guesser;
    QVERIFY(guesser.greet(m_server->port()));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(guesser.logOn("1", "0", "rate" + QByteArray::number(i)).value(0), QByteArray("0"));
    QVERIFY(guesser.closedByServer());
    QVERIFY2(logText().contains("127.0.0.1: 5 failed log-ons in a row"),
             logText().right(400).constData());
}

void TestLogonRequest::peerBytesInTheLogAreBounded() {
    const qint64 before = logText().size();
    // A namespace of a megabyte, and one that forges a log line of its own.
    const QByteArray forged = "X" + QByteArray(30, ' ') + "\n2026-01-01 00:00:00 [1] stopped";
    for (const QByteArray &nameSpace : {QByteArray(1000000, 'N'), forged}) {
        RawLineClient client;
        QVERIFY(client.connectTo(m_server->port()));
        QVERIFY(client.sendFrame("KWP1C" + nameSpace));
        QCOMPARE(client.readReply(30000).value(0), QByteArray("2"));
        QVERIFY(client.closedByServer());
    }
    const QByteArray added = logText().mid(before);
    QVERIFY2(added.size() < 1000, added.left(1000).constData());
    QVERIFY(added.contains("(1000000 bytes)"));
    QVERIFY(added.contains("\\x0a2026-01-01"));
    QCOMPARE(added.count('\n'), 2);
}

namespace {
// A record in flight without capture: run id of one character, number, line.
QByteArray record(char run, int number, const QByteArray &line) {
    return "F000000001" + QByteArray(1, run) + QByteArray::number(number).rightJustified(8, '0') +
           line;
}
} // namespace

void TestLogonRequest::resumeToken_data() {
    QTest::addColumn<char>("persona");
    QTest::addColumn<QByteArray>("change"); // what happens to the token before it is used
    QTest::addColumn<bool>("resumed");
    QTest::newRow("own token, cache") << 'C' << QByteArray() << true;
    QTest::newRow("own token, msm") << 'M' << QByteArray() << true;
    QTest::newRow("wrong token") << 'C' << QByteArray("wrong") << false;
    QTest::newRow("expired token") << 'C' << QByteArray("expire") << false;
    QTest::newRow("used token") << 'M' << QByteArray("use") << false;
    QTest::newRow("replaced token") << 'C' << QByteArray("replace") << false;
    QTest::newRow("not hexadecimal") << 'C' << QByteArray("upper") << false;
}

// A token registered after a log-on opens, once, the progress of that log-on's runs on a fresh
// connection, and nothing else; any other token is refused like a wrong password.
void TestLogonRequest::resumeToken() {
    QFETCH(char, persona);
    QFETCH(QByteArray, change);
    QFETCH(bool, resumed);
    QVERIFY(m_server->killGlobal("^KWPRUN") && m_server->killGlobal("^KWPTOK"));
    RawLineClient owner;
    QVERIFY(owner.open(m_server->port(), persona));
    QByteArray token = "0123456789abcdef0123456789abcdef";
    QVERIFY(owner.sendFrame("T" + token));
    const QList<QByteArray> registered = owner.readReply();
    QVERIFY2(registered.value(0) == "0", registered.value(1).constData());
    // Kept as its hash, bound to company, branch and user.
    QVERIFY(m_server->global("^KWPTOK($O(^KWPTOK(\"\")))").endsWith("`1`0`DEMO"));
    QCOMPARE(m_server->global("^KWPTOK(\"" + token + "\")"), QByteArray());
    QVERIFY(owner.sendFrame(record('1', 0, "S P0=\"\"")));
    QCOMPARE(owner.readReply().value(0), QByteArray("0"));
    if (change == "wrong")
        token = "0123456789abcdef0123456789abcdee";
    else if (change == "upper")
        token = token.toUpper();
    else if (change == "expire")
        QCOMPARE(owner.execute("S k=$O(^KWPTOK(\"\")),$P(^KWPTOK(k),\"`\")=$ZUT\\1E6-1").value(0),
                 QByteArray("0"));
    else if (change == "replace") {
        QVERIFY(owner.sendFrame("Tfedcba9876543210fedcba9876543210"));
        QCOMPARE(owner.readReply().value(0), QByteArray("0"));
    } else if (change == "use") {
        RawLineClient first;
        QVERIFY(first.greet(m_server->port(), persona));
        QVERIFY(first.sendFrame("R" + token));
        QCOMPARE(first.readReply().value(persona == 'M' ? 3 : 2), QByteArray("DEMO"));
    }
    // Another user's run, which no token of the demo user opens.
    RawLineClient other;
    QVERIFY(other.greet(m_server->port()));
    QVERIFY(other.logOn("1", "1", "demo").value(2).startsWith("FILIALE1`"));
    QVERIFY(other.sendFrame(record('2', 0, "S P0=\"\"")));
    QCOMPARE(other.readReply().value(0), QByteArray("0"));

    RawLineClient fresh;
    QVERIFY(fresh.greet(m_server->port(), persona));
    QVERIFY(fresh.sendFrame("R" + token));
    const QList<QByteArray> reply = fresh.readReply();
    QCOMPARE(reply.value(0), QByteArray("0"));
    QCOMPARE(reply.value(persona == 'M' ? 3 : 2), resumed ? QByteArray("DEMO") : QByteArray());
    QVERIFY(fresh.sendFrame("Q1"));
    QCOMPARE(fresh.readReply().value(2), resumed ? QByteArray("0``") : QByteArray());
    QVERIFY(fresh.sendFrame("Q2"));
    QCOMPARE(fresh.readReply().value(2), QByteArray());
    // Only progress: no line and no record runs on a resumed connection.
    QCOMPARE(fresh.execute(marking).value(0), QByteArray("5"));
    QVERIFY(fresh.sendFrame(record('1', 1, marking)));
    QCOMPARE(fresh.readReply().value(0), QByteArray("5"));
    QCOMPARE(m_server->global("^KWPTEST(\"ran\")"), QByteArray());
}

void TestLogonRequest::failedTokensCloseTheConnection() {
    // Token and password failures count together; the fifth in a row ends the connection.
    RawLineClient guesser;
    QVERIFY(guesser.greet(m_server->port()));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(guesser.sendFrame("R" + QByteArray::number(i).repeated(32)));
        QCOMPARE(guesser.readReply().value(0), QByteArray("0"));
    }
    QVERIFY(!guesser.closedByServer(200));
    QCOMPARE(guesser.logOn("1", "0", "falsch").value(2), QByteArray());
    QVERIFY(guesser.closedByServer());
    QVERIFY2(logText().contains("127.0.0.1: 5 failed log-ons in a row"),
             logText().right(400).constData());
    // A token needs a log-on of its own connection.
    RawLineClient stranger;
    QVERIFY(stranger.greet(m_server->port()));
    QVERIFY(stranger.sendFrame("T0123456789abcdef0123456789abcdef"));
    QCOMPARE(stranger.readReply().value(0), QByteArray("5"));
}

QTEST_GUILESS_MAIN(TestLogonRequest)
#include "tst_logonrequest.moc"
