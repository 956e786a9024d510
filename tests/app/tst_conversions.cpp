#include "app/Conversions.h"
#include "app/Decimal.h"

#include <QDateTime>
#include <QTest>

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void decimalText_data();
    void decimalText();
    void general_data();
    void general();
    void pattern_data();
    void pattern();
    void systemLocaleIsTheRegionalOne();
};

void TestConversions::decimalText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("general"); // in C locale
    QTest::newRow("trailing zeros") << "1234.50" << true << "1234.5";
    QTest::newRow("whole") << "20.00" << true << "20";
    QTest::newRow("leading zeros") << "007.010" << true << "7.01";
    QTest::newRow("fraction only") << ".5" << true << "0.5";
    QTest::newRow("negative") << "-0.75" << true << "-0.75";
    QTest::newRow("negative zero") << "-0.00" << true << "0";
    QTest::newRow("exponent") << "1.5e+3" << true << "1500";
    QTest::newRow("small exponent") << "25E-4" << true << "0.0025";
    QTest::newRow("beyond double")
        << "12345678901234567890.12" << true << "12345678901234567890.12";
    QTest::newRow("text") << "abc" << false << "";
    QTest::newRow("two points") << "1.2.3" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void TestConversions::decimalText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, general);
    const Decimal d = Decimal::fromText(text);
    QCOMPARE(d.isValid(), valid);
    if (valid)
        QCOMPARE(generalText(QVariant::fromValue(d), QLocale::c()), general);
}

void TestConversions::general_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("null") << QVariant() << "";
    QTest::newRow("null string") << QVariant(QMetaType(QMetaType::QString)) << "";
    QTest::newRow("text unchanged") << QVariant(QStringLiteral(" Müller; 1.5 ")) << " Müller; 1.5 ";
    QTest::newRow("integer, no grouping") << QVariant(qint64(1234567)) << "1234567";
    QTest::newRow("decimal") << QVariant::fromValue(Decimal::fromText("1234.50")) << "1234,5";
    QTest::newRow("negative decimal") << QVariant::fromValue(Decimal::fromText("-3.10")) << "-3,1";
    QTest::newRow("large double") << QVariant(1e21) << "1000000000000000000000";
    QTest::newRow("small double") << QVariant(0.0025) << "0,0025";
    QTest::newRow("beyond the digit buffer")
        << QVariant::fromValue(
               Decimal::fromText("-123456789012345678901234567890123456789012345678901234567890.5"))
        << "-123456789012345678901234567890123456789012345678901234567890,5";
    QTest::newRow("double shortest") << QVariant(0.1 + 0.2 - 0.3 + 1234.5) << "1234,5";
    QTest::newRow("date four-digit year") << QVariant(QDate(2024, 3, 1)) << "01.03.2024";
    QTest::newRow("midnight shows no time")
        << QVariant(QDateTime(QDate(2024, 3, 1), QTime(0, 0))) << "01.03.2024";
    QTest::newRow("time shown") << QVariant(QDateTime(QDate(2024, 3, 1), QTime(14, 5)))
                                << "01.03.2024 14:05";
    QTest::newRow("seconds shown")
        << QVariant(QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9))) << "01.03.2024 14:05:09";
}

void TestConversions::general() {
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    QCOMPARE(generalText(value, QLocale(QLocale::German, QLocale::Germany)), expected);
}

void TestConversions::pattern_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QString>("expected");
    const int one = int(NumberPattern::OneDecimal);
    const int two = int(NumberPattern::TwoDecimals);
    const auto dec = [](const char *t) { return QVariant::fromValue(Decimal::fromText(t)); };
    QTest::newRow("1234.5 one decimal") << dec("1234.5") << one << "1.234,5";
    QTest::newRow("1234.5 two decimals") << dec("1234.5") << two << "1.234,50";
    QTest::newRow("zero") << dec("0") << two << "0,00";
    QTest::newRow("below one") << dec("0.5") << one << "0,5";
    QTest::newRow("millions") << dec("-1234567.891") << two << "-1.234.567,89";
    QTest::newRow("round half up") << dec("2.675") << two << "2,68";
    QTest::newRow("round carries") << dec("999.96") << one << "1.000,0";
    QTest::newRow("rounds to zero") << dec("-0.004") << two << "0,00";
    QTest::newRow("integer") << QVariant(qint64(1000)) << two << "1.000,00";
    QTest::newRow("double") << QVariant(2.675) << two << "2,68";
    QTest::newRow("null") << QVariant() << two << "";
    QTest::newRow("text stays") << QVariant(QStringLiteral("n/a")) << two << "n/a";
    QTest::newRow("double below a cent") << QVariant(0.05) << two << "0,05";
    QTest::newRow("double rounds up from far") << QVariant(0.006) << two << "0,01";
    QTest::newRow("double far below") << QVariant(0.0004) << two << "0,00";
    QTest::newRow("negative integer") << QVariant(qint64(-1234567)) << two << "-1.234.567,00";
    QTest::newRow("int") << QVariant(int(7)) << one << "7,0";
    QTest::newRow("beyond the digit buffer")
        << dec("123456789012345678901234567890123456789012345678901234567890.125") << two
        << "123.456.789.012.345.678.901.234.567.890.123.456.789.012.345.678.901.234.567.890,13";
    QTest::newRow("none is general") << dec("1234.50") << int(NumberPattern::None) << "1234,5";
}

void TestConversions::pattern() {
    QFETCH(QVariant, value);
    QFETCH(int, pattern);
    QFETCH(QString, expected);
    QCOMPARE(patternText(value, NumberPattern(pattern), QLocale(QLocale::German, QLocale::Germany)),
             expected);
}

// The test run pins LC_ALL=de_DE.UTF-8: the program follows the workstation's settings.
void TestConversions::systemLocaleIsTheRegionalOne() {
    const QLocale system = regionalLocale();
    QCOMPARE(system.language(), QLocale::German);
    const QVariant value = QVariant::fromValue(Decimal::fromText("1234.5"));
    QCOMPARE(patternText(value, NumberPattern::OneDecimal), QStringLiteral("1.234,5"));
    QCOMPARE(patternText(value, NumberPattern::TwoDecimals), QStringLiteral("1.234,50"));
    QCOMPARE(generalText(value), QStringLiteral("1234,5"));
    QCOMPARE(generalText(QDate(2025, 3, 1)), QStringLiteral("01.03.2025"));
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
