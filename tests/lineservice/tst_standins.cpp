#include "tests/support/ErpServerFixture.h"
#include "tests/support/RawLineClient.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The demo ERP's stand-ins as the program meets them: PASS^%ONLCL0 answers the log-on,
// $$WINKWP^BRKWPCOM takes the opening record and checks and stores the line records.
class TestStandIns : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void logOn_data();
    void logOn();
    void openingRecord_data();
    void openingRecord();
    void lineRecord_data();
    void lineRecord();
    void lineWithoutOpeningRecord();
    void testControlsRefuseAndAnswer();
    void siteRoutinesReplaceStandIns();
    void cleanupTestCase();

private:
    // Sends the record as the export does and returns the answer.
    static QByteArray winkwp(RawLineClient &client, const QByteArray &record);

    std::unique_ptr<ErpServerFixture> m_server;
};

namespace {
const QByteArray Opening = "3, 999, 1000```202401";

// A line record the stand-in takes; field i (from 1) replaced when given.
QByteArray sampleLine(int field = 0, const QByteArray &value = {}) {
    QList<QByteArray> fields{"999",        "4711",       "1",      "202401",    "",
                             "1",          "01.03.1980", "A",      "W",         "2",
                             "01.01.2020", "",           "12,5",   "0",         "100",
                             "1,5",        "1234,56",    "-12,50", "1234010180"};
    if (field > 0)
        fields[field - 1] = value;
    QByteArray record;
    for (const QByteArray &f : fields)
        record += f + '`';
    return record;
}
} // namespace

void TestStandIns::initTestCase() {
    m_server = std::make_unique<ErpServerFixture>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestStandIns::cleanup() {
    QVERIFY(m_server->killGlobal("^KWPTEST"));
}

void TestStandIns::cleanupTestCase() {
    m_server.reset();
}

QByteArray TestStandIns::winkwp(RawLineClient &client, const QByteArray &record) {
    const QList<QByteArray> reply = client.execute(
        "S P0=$$WINKWP^BRKWPCOM(" + ErpServerFixture::mLiteral(record) + ") W:$F($ZV,\"MSM\") P0");
    if (reply.value(0) != "0")
        return "line failed: " + reply.value(1);
    return reply[2];
}

void TestStandIns::logOn_data() {
    QTest::addColumn<QByteArrayList>("values"); // company, branch, password
    QTest::addColumn<QByteArray>("userId");
    QTest::addColumn<QByteArray>("userName");

    QTest::newRow("demo user") << QByteArrayList{"1", "0", "demo"} << QByteArray("DEMO")
                               << QByteArray("Demo Benutzer");
    QTest::newRow("other branch") << QByteArrayList{"1", "1", "demo"} << QByteArray("FILIALE1")
                                  << QByteArray("Filiale Eins");
    QTest::newRow("umlauts, single bytes")
        << QByteArrayList{"2", "0", "m\xfcller"} << QByteArray("MUELLER")
        << QByteArray("J\xfcrgen M\xfcller");
    QTest::newRow("wrong password")
        << QByteArrayList{"1", "0", "falsch"} << QByteArray() << QByteArray();
    QTest::newRow("password in other case")
        << QByteArrayList{"1", "0", "DEMO"} << QByteArray() << QByteArray();
    QTest::newRow("unknown company")
        << QByteArrayList{"9", "0", "demo"} << QByteArray() << QByteArray();
    QTest::newRow("empty password") << QByteArrayList{"1", "0", ""} << QByteArray() << QByteArray();
}

// The answer of the password check, read as the log-on reads it, on both server kinds.
void TestStandIns::logOn() {
    QFETCH(QByteArrayList, values);
    QFETCH(QByteArray, userId);
    QFETCH(QByteArray, userName);

    for (const char persona : {'C', 'M'}) {
        RawLineClient client;
        QVERIFY(client.greet(m_server->port(), persona));
        const QList<QByteArray> reply = client.logOn(values[0], values[1], values[2]);
        QCOMPARE(reply.value(0), QByteArray("0"));
        const QByteArray answer = persona == 'M' ? reply[3] : reply[2];
        QCOMPARE(answer, reply[2]);
        if (userId.isEmpty()) {
            QCOMPARE(answer, QByteArray());
        } else {
            const QList<QByteArray> fields = answer.split('`');
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0], userId);
            QCOMPARE(fields[2], userName);
            QCOMPARE(fields[3], QByteArray::number(QDate::currentDate().year()));
        }
        // The wage-type read lines rely on % holding the back-quote.
        if (!userId.isEmpty())
            QCOMPARE(client.execute("S P0=%").value(2), QByteArray("`"));
    }
}

void TestStandIns::openingRecord_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QByteArray>("answerPart"); // empty: taken

    QTest::newRow("clients and period") << Opening << QByteArray();
    QTest::newRow("not logged on") << Opening << QByteArray("Keine Anmeldung");
    QTest::newRow("no client marked") << QByteArray("1000```202401") << QByteArray();
    QTest::newRow("month 13") << QByteArray("1000```202413") << QByteArray("Periode");
    QTest::newRow("period without month") << QByteArray("1000```2024") << QByteArray("Periode");
    QTest::newRow("letter in client list")
        << QByteArray("3, x, 1000```202401") << QByteArray("Mandantenliste");
}

void TestStandIns::openingRecord() {
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, answerPart);

    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    // The ERP's log-on context gone, as in a session whose log-on the ERP has forgotten.
    if (QByteArray(QTest::currentDataTag()) == "not logged on")
        QCOMPARE(client.execute("K %ONL").value(0), QByteArray("0"));
    const int before = m_server->lastBatch();
    const QByteArray answer = winkwp(client, record);
    if (answerPart.isEmpty()) {
        QCOMPARE(answer, QByteArray());
        QCOMPARE(m_server->lastBatch(), before + 1);
        QCOMPARE(m_server->global("^KWPIMP(" + QByteArray::number(before + 1) + ")"), record);
    } else {
        QVERIFY2(answer.contains(answerPart), answer.constData());
        QCOMPARE(m_server->lastBatch(), before);
    }
}

void TestStandIns::lineRecord_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QByteArray>("answerPart"); // empty: taken and stored

    QTest::newRow("plain") << sampleLine() << QByteArray();
    QTest::newRow("umlaut and quote") << sampleLine(19, "12\"34 J\xfcrgen") << QByteArray();
    QTest::newRow("every byte but back-quote") << sampleLine(19, [] {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            if (b != '`')
                all += char(b);
        return all;
    }()) << QByteArray();
    QTest::newRow("empty amounts")
        << sampleLine(16, "").replace("1234,56`-12,50`", "``") << QByteArray();
    QTest::newRow("whole numbers") << sampleLine(18, "-100") << QByteArray();
    QTest::newRow("client 1000") << sampleLine(1, "1000") << QByteArray();
    QTest::newRow("18 fields") << sampleLine().left(sampleLine().size() - 11)
                               << QByteArray("19 Felder");
    QTest::newRow("no closing back-quote") << sampleLine().chopped(1) << QByteArray("19 Felder");
    QTest::newRow("20 fields") << sampleLine() + "x`" << QByteArray("19 Felder");
    QTest::newRow("other period") << sampleLine(4, "202402") << QByteArray("Periode");
    QTest::newRow("client not in batch") << sampleLine(1, "5") << QByteArray("Mandant");
    QTest::newRow("unknown wage type") << sampleLine(15, "999") << QByteArray("Lohnart");
    QTest::newRow("no wage type") << sampleLine(15, "") << QByteArray("Lohnart");
    QTest::newRow("grouped amount") << sampleLine(18, "1.234,56") << QByteArray("keine Zahl");
    QTest::newRow("decimal point") << sampleLine(17, "12.50") << QByteArray("keine Zahl");
    QTest::newRow("text as count") << sampleLine(16, "abc") << QByteArray("keine Zahl");
    QTest::newRow("leave as text") << sampleLine(13, "x") << QByteArray("keine Zahl");
}

void TestStandIns::lineRecord() {
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, answerPart);

    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    QCOMPARE(winkwp(client, Opening), QByteArray());
    const int batch = m_server->lastBatch();
    const QByteArray answer = winkwp(client, record);
    if (answerPart.isEmpty()) {
        QCOMPARE(answer, QByteArray());
        QCOMPARE(m_server->storedLine(batch, 1), record);
    } else {
        QVERIFY2(answer.contains(answerPart), answer.constData());
        QVERIFY(answer.startsWith("Satz 1:"));
        QCOMPARE(m_server->storedLine(batch, 1), QByteArray());
    }
}

void TestStandIns::lineWithoutOpeningRecord() {
    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    QVERIFY(winkwp(client, sampleLine()).contains("Kopfsatz"));
}

void TestStandIns::testControlsRefuseAndAnswer() {
    QVERIFY(m_server->setGlobal("^KWPTEST(\"refuse\",2)", "Satz gesperrt: \"2\""));
    QVERIFY(m_server->setGlobal("^KWPTEST(\"answer\",3)", "Hinweis"));
    RawLineClient client;
    QVERIFY(client.open(m_server->port()));
    QCOMPARE(winkwp(client, Opening), QByteArray());
    const int batch = m_server->lastBatch();
    QCOMPARE(winkwp(client, sampleLine(2, "1")), QByteArray());
    QCOMPARE(winkwp(client, sampleLine(2, "2")), QByteArray("Satz gesperrt: \"2\""));
    QCOMPARE(winkwp(client, sampleLine(2, "3")), QByteArray("Hinweis"));
    QCOMPARE(m_server->storedLine(batch, 1), sampleLine(2, "1"));
    QCOMPARE(m_server->storedLine(batch, 2), QByteArray());
    QCOMPARE(m_server->storedLine(batch, 3), sampleLine(2, "3"));

    QVERIFY(m_server->setGlobal("^KWPTEST(\"refuse\",0)", "Import gesperrt"));
    RawLineClient refused;
    QVERIFY(refused.open(m_server->port()));
    QCOMPARE(winkwp(refused, Opening), QByteArray("Import gesperrt"));
    QCOMPARE(m_server->lastBatch(), batch);
}

// A site tries its own ERP routines: a folder given to the demo server wins over the stand-ins.
void TestStandIns::siteRoutinesReplaceStandIns() {
    QTemporaryDir site;
    QFile routine(site.path() + "/BRKWPCOM.m");
    QVERIFY(routine.open(QIODevice::WriteOnly));
    routine.write(
        "BRKWPCOM ; site routine\n Q\nWINKWP(rec) ; answers with the record's length\n Q \"eigene "
        "Routine \"_$L(rec)\n");
    routine.close();

    ErpServerFixture server(site.path());
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    RawLineClient client;
    QVERIFY(client.open(server.port()));
    QCOMPARE(winkwp(client, Opening), QByteArray("eigene Routine 21"));
    // The other stand-ins stay.
    QVERIFY(client.execute("D PASS^%ONLCL0(1,0,\"demo\")").value(2).startsWith("DEMO`"));
}

QTEST_GUILESS_MAIN(TestStandIns)
#include "tst_standins.moc"
