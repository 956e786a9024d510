#include "export/ExportRecords.h"
#include "export/RecordCheck.h"
#include "export/ServerCallLine.h"
#include "gateway/ServerCharset.h"

#include <QTest>

// The records and the line that carries them: what the ERP server's import receives.
class ExportRecordsTest : public QObject {
    Q_OBJECT
private slots:
    void openingRecord_data();
    void openingRecord();
    void callLine_data();
    void callLine();
    void reusedLineStartsClean();
    void check_data();
    void check();
};

void ExportRecordsTest::openingRecord_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("record");
    QTest::newRow("two clients") << "3, 999, 1000"
                                 << "202403"
                                 << "3, 999, 1000```202403";
    QTest::newRow("no client marked") << "1000"
                                      << "202312"
                                      << "1000```202312";
}

void ExportRecordsTest::openingRecord() {
    QFETCH(QString, keys);
    QFETCH(QString, period);
    QFETCH(QString, record);
    QCOMPARE(::openingRecord(keys, period), record);
}

void ExportRecordsTest::callLine_data() {
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("argument");
    QTest::newRow("opening") << "3, 999, 1000```202403"
                             << "\"3, 999, 1000```202403\"";
    QTest::newRow("empty") << ""
                           << "\"\"";
    QTest::newRow("umlauts pass as they are") << "Müller`1234,5`"
                                              << "\"Müller`1234,5`\"";
    QTest::newRow("quote doubled") << "O\"Brien`"
                                   << "\"O\"\"Brien`\"";
    QTest::newRow("only a quote") << "\""
                                  << "\"\"\"\"";
    QTest::newRow("line feed") << "a\nb`"
                               << "\"a\"_$C(10)_\"b`\"";
    QTest::newRow("CR LF at the start") << "\r\nx"
                                        << "\"\"_$C(13,10)_\"x\"";
    QTest::newRow("tab at the end") << "x\t"
                                    << "\"x\"_$C(9)";
    QTest::newRow("control then quote") << "\x01\""
                                        << "\"\"_$C(1)_\"\"\"\"";
    QTest::newRow("DEL") << "a\x7f"
                         << "\"a\"_$C(127)";
    QString many(70, QChar(1));
    QString codes = QStringLiteral("\"\"_$C(") + QStringList(64, QStringLiteral("1")).join(',') +
                    QStringLiteral(")_$C(") + QStringList(6, QStringLiteral("1")).join(',') +
                    QStringLiteral(")");
    QTest::newRow("long control run split") << many << codes;
}

void ExportRecordsTest::callLine() {
    QFETCH(QString, record);
    QFETCH(QString, argument);
    QCOMPARE(ServerCallLine::forRecord(record), QStringLiteral("S P0=$$WINKWP^BRKWPCOM(") +
                                                    argument +
                                                    QStringLiteral(") W:$F($ZV,\"MSM\") P0"));
}

void ExportRecordsTest::reusedLineStartsClean() {
    ServerCallLine line;
    line.begin();
    line.append(QStringView(u"a\n"));
    line.finish();
    line.begin();
    line.append(QStringView(u"b"));
    line.append(QChar('`'));
    QCOMPARE(line.finish(), ServerCallLine::forRecord(u"b`"));
}

void ExportRecordsTest::check_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("problem"); // a part of the German phrase, empty: no problem
    QTest::newRow("plain") << "1234,5"
                           << "";
    QTest::newRow("umlauts and sharp s") << "Größe Ärger Übel"
                                         << "";
    QTest::newRow("euro sign is in windows-1252") << "5 €"
                                                  << "";
    QTest::newRow("quote travels doubled") << "O\"Brien"
                                           << "";
    QTest::newRow("line break travels spelled out") << "a\r\nb"
                                                    << "";
    QTest::newRow("back-quote") << "a`b"
                                << "Backquote";
    QTest::newRow("polish L") << "Łódź"
                              << "„Ł“ (U+0141)";
    QTest::newRow("emoji") << "ok 😀"
                           << "„😀“ (U+1F600)";
}

void ExportRecordsTest::check() {
    QFETCH(QString, value);
    QFETCH(QString, problem);
    const auto charset = ServerCharset::byName(QStringLiteral("windows-1252"));
    QVERIFY(charset);
    RecordCheck check([&](QChar c) {
        QByteArray bytes;
        return charset->encode(QStringView(&c, 1), bytes, nullptr);
    });
    const QString found = check.problem(value);
    if (problem.isEmpty())
        QVERIFY2(found.isEmpty(), qPrintable(found));
    else
        QVERIFY2(found.contains(problem), qPrintable(found));
}

QTEST_GUILESS_MAIN(ExportRecordsTest)
#include "tst_exportrecords.moc"
