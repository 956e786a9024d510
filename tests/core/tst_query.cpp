#include "core/ClientKeys.h"
#include "core/ListGridModel.h"
#include "core/Period.h"
#include "core/QueryFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestQuery : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void readsFiles_data();
    void readsFiles();
    void missingFile();
    void substitution_data();
    void substitution();
    void refusesBadPeriods_data();
    void refusesBadPeriods();
    void missingPlaceholder_data();
    void missingPlaceholder();
    void defaultPeriod_data();
    void defaultPeriod();
    void clientKeys_data();
    void clientKeys();
};

void TestQuery::lines_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no line end") << "select 1"
                                 << "select 1\r\n";
    QTest::newRow("CR LF") << "a\r\nb\r\n"
                           << "a\r\nb\r\n";
    QTest::newRow("CR alone") << "a\rb"
                              << "a\r\nb\r\n";
    QTest::newRow("LF alone") << "a\nb\n"
                              << "a\r\nb\r\n";
    QTest::newRow("empty lines kept") << "a\r\n\r\nb"
                                      << "a\r\n\r\nb\r\n";
}

void TestQuery::lines() {
    QFETCH(QString, raw);
    QFETCH(QString, expected);
    QCOMPARE(normaliseQueryLines(raw), expected);
}

void TestQuery::readsFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("UTF-8") << QByteArray("-- Größe\nselect 1") << "-- Größe\r\nselect 1\r\n";
    QTest::newRow("Windows-1252") << QByteArray("-- Gr\xF6\xDF"
                                                "e\r\nselect 1\r\n")
                                  << "-- Größe\r\nselect 1\r\n";
    // Bytes 0x80-0x9F are letters in Windows-1252, control characters in Latin-1.
    QTest::newRow("Windows-1252 0x80-0x9F")
        << QByteArray("-- \x84Lohn\x93 \x96 5 \x80\n") << "-- \u201ELohn\u201C \u2013 5 \u20AC\r\n";
    QTest::newRow("UTF-8 cut off at the end is Windows-1252")
        << QByteArray("-- \xC3") << "-- \u00C3\r\n";
    QTest::newRow("UTF-8 with byte-order mark")
        << QByteArray("\xEF\xBB\xBFselect '\xE2\x82\xAC'\n") << "select '\u20AC'\r\n";
    QTest::newRow("empty file") << QByteArray() << "";
}

void TestQuery::readsFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile file(dir.filePath("kwp1.sql"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QueryFileText read = readQueryFile(file.fileName());
    QVERIFY(read.ok);
    QCOMPARE(read.text, expected);
}

void TestQuery::missingFile() {
    QTemporaryDir dir;
    const QueryFileText read = readQueryFile(dir.filePath("kwp1.sql"));
    QVERIFY(!read.ok);
    QVERIFY(read.error.contains("kwp1.sql"));
}

void TestQuery::substitution_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both") << "where P=$$PERIODE$$ and M in ($$MANDANT$$)\r\n"
                          << "where P=202402 and M in (3, 999, 1000)\r\n";
    QTest::newRow("first occurrence only") << "$$PERIODE$$ $$PERIODE$$ $$MANDANT$$ $$MANDANT$$"
                                           << "202402 $$PERIODE$$ 3, 999, 1000 $$MANDANT$$";
    QTest::newRow("at the very end") << "x $$PERIODE$$ ($$MANDANT$$\r\n"
                                     << "x 202402 (3, 999, 1000\r\n";
    QTest::newRow("client list before period") << "$$MANDANT$$/$$PERIODE$$"
                                               << "3, 999, 1000/202402";
    QTest::newRow("lower case is not a placeholder") << "$$periode$$ $$PERIODE$$ $$MANDANT$$"
                                                     << "$$periode$$ 202402 3, 999, 1000";
}

void TestQuery::substitution() {
    QFETCH(QString, query);
    QFETCH(QString, expected);
    const Statement s = substituteQuery(query, "202402", "3, 999, 1000");
    QVERIFY(s.ok);
    QCOMPARE(s.text, expected);
}

void TestQuery::refusesBadPeriods_data() {
    QTest::addColumn<QString>("period");
    QTest::newRow("empty") << "";
    QTest::newRow("five digits") << "20241";
    QTest::newRow("seven digits") << "2024011";
    QTest::newRow("month 00") << "202400";
    QTest::newRow("month 13") << "202413";
    QTest::newRow("SQL") << "1 or 1=1";
    QTest::newRow("quote") << "2024'1";
    QTest::newRow("blank") << " 202401";
    QTest::newRow("arabic digits") << QString::fromUtf8("٢٠٢٤٠١");
}

void TestQuery::refusesBadPeriods() {
    QFETCH(QString, period);
    QVERIFY(!isValidPeriod(period));
    const Statement s = substituteQuery("$$PERIODE$$ $$MANDANT$$", period, "1000");
    QVERIFY(!s.ok);
    QVERIFY(s.text.isEmpty());
    QVERIFY(s.message.contains("JJJJMM"));
    QVERIFY(s.message.contains(period));
}

void TestQuery::missingPlaceholder_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("missing");
    QTest::newRow("no period") << "select $$MANDANT$$"
                               << "$$PERIODE$$";
    QTest::newRow("no clients") << "select $$PERIODE$$"
                                << "$$MANDANT$$";
    QTest::newRow("empty query") << ""
                                 << "$$PERIODE$$";
}

void TestQuery::missingPlaceholder() {
    QFETCH(QString, query);
    QFETCH(QString, missing);
    const Statement s = substituteQuery(query, "202401", "1000");
    QVERIFY(!s.ok);
    QVERIFY(s.message.contains(missing));
}

void TestQuery::defaultPeriod_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("period");
    QTest::newRow("March") << QDate(2024, 3, 15) << "202402";
    QTest::newRow("January gives December before") << QDate(2025, 1, 1) << "202412";
    QTest::newRow("December") << QDate(2024, 12, 31) << "202411";
    QTest::newRow("November") << QDate(2024, 11, 1) << "202410";
}

void TestQuery::defaultPeriod() {
    QFETCH(QDate, day);
    QFETCH(QString, period);
    QCOMPARE(::defaultPeriod(day), period);
    QVERIFY(isValidPeriod(period));
}

void TestQuery::clientKeys_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("marked");
    QTest::addColumn<QString>("keys");
    QTest::newRow("both marked") << QStringList{"3;A", "999;B"} << QList<int>{0, 1}
                                 << "3, 999, 1000";
    QTest::newRow("none marked") << QStringList{"3;A", "999;B"} << QList<int>{} << "1000";
    QTest::newRow("empty list") << QStringList{} << QList<int>{} << "1000";
    QTest::newRow("second only") << QStringList{"3;A", "999;B"} << QList<int>{1} << "999, 1000";
}

void TestQuery::clientKeys() {
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, marked);
    QFETCH(QString, keys);
    ListGridModel mandant;
    mandant.addColumn("Nr.", 30);
    mandant.addColumn("Mandant", 250);
    mandant.addColumn(QString(), 25);
    for (const QString &row : rows)
        mandant.addRow(row);
    for (int row : marked)
        mandant.setChecked(row, clientMarkColumn, true);
    mandant.setChecked(0, 2, true); // a mark in another column does not count
    QCOMPARE(clientKeyList(mandant), keys);
}

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
