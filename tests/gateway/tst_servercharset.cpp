#include "gateway/ServerCharset.h"

#include <QTest>

// The table codec between program text and the server's single-byte text.
class TestServerCharset : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void everyByteRoundTrips_data();
    void everyByteRoundTrips();
    void encode_data();
    void encode();
    void unencodable_data();
    void unencodable();
};

void TestServerCharset::names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("windows-1252") << "windows-1252"
                                  << "windows-1252";
    QTest::newRow("CP1252") << "CP1252"
                            << "windows-1252";
    QTest::newRow("ISO-8859-1") << " ISO-8859-1 "
                                << "iso-8859-1";
    QTest::newRow("latin1") << "latin1"
                            << "iso-8859-1";
    QTest::newRow("utf-8 unknown") << "utf-8"
                                   << "";
    QTest::newRow("empty unknown") << ""
                                   << "";
}

void TestServerCharset::names() {
    QFETCH(QString, name);
    QFETCH(QString, canonical);
    const auto charset = ServerCharset::byName(name);
    QCOMPARE(charset ? charset->name() : QString(), canonical);
}

void TestServerCharset::everyByteRoundTrips_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("windows-1252") << "windows-1252";
    QTest::newRow("iso-8859-1") << "iso-8859-1";
}

void TestServerCharset::everyByteRoundTrips() {
    QFETCH(QString, name);
    const auto charset = ServerCharset::byName(name);
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    const QString text = charset->decode(all);
    QCOMPARE(text.size(), 256);
    QByteArray back;
    QString error;
    QVERIFY2(charset->encode(text, back, &error), qPrintable(error));
    QCOMPARE(back, all);
}

void TestServerCharset::encode_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("umlauts 1252") << "windows-1252"
                                  << "Ä`ö`ß\"" << QByteArray("\xC4`\xF6`\xDF\"");
    QTest::newRow("euro 1252") << "windows-1252"
                               << "5 €" << QByteArray("5 \x80");
    QTest::newRow("typographic quotes 1252") << "windows-1252"
                                             << "\u201Ea\u201C"
                                             << QByteArray("\x84"
                                                           "a\x93");
    QTest::newRow("umlauts latin1") << "iso-8859-1"
                                    << "Ä" << QByteArray("\xC4");
    QTest::newRow("C1 control latin1") << "iso-8859-1"
                                       << "\u0080" << QByteArray("\x80");
}

void TestServerCharset::encode() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const auto charset = ServerCharset::byName(name);
    QByteArray out("prefix");
    QString error;
    QVERIFY2(charset->encode(text, out, &error), qPrintable(error));
    QCOMPARE(out, QByteArray("prefix") + bytes);
    QCOMPARE(charset->decode(bytes), text);
}

void TestServerCharset::unencodable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("euro in latin1") << "iso-8859-1"
                                    << "S P0=\"€\""
                                    << "U+20AC";
    QTest::newRow("Polish l in 1252") << "windows-1252"
                                      << "Łódź"
                                      << "U+0141";
    QTest::newRow("C1 control in 1252") << "windows-1252"
                                        << "a\u0080"
                                        << "U+0080";
    QTest::newRow("emoji in 1252") << "windows-1252"
                                   << "x\U0001F600"
                                   << "U+1F600";
    QTest::newRow("Cyrillic in 1252") << "windows-1252"
                                      << "Ж"
                                      << "U+0416";
}

void TestServerCharset::unencodable() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, named);
    const auto charset = ServerCharset::byName(name);
    QByteArray out;
    QString error;
    QVERIFY(!charset->encode(text, out, &error));
    QVERIFY2(error.contains(named), qPrintable(error));
    QVERIFY(error.contains(QStringLiteral("nicht dargestellt")));
    QVERIFY(!out.contains('?'));
}

QTEST_GUILESS_MAIN(TestServerCharset)
#include "tst_servercharset.moc"
