#include "core/Conversions.h"
#include "core/Decimal.h"

#include <QDateTime>
#include <QTest>

#include <limits>

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void decimalText_data();
    void decimalText();
    void addition_data();
    void addition();
    void millionsOfAmountsSumExactly();
    void order_data();
    void order();
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
    QTest::newRow("decimal(38,0) max") << QString(38, u'9') << true << QString(38, u'9');
    QTest::newRow("77 digits") << QString(77, u'9') << true << QString(77, u'9');
    QTest::newRow("78 digits") << QString(78, u'9') << false << "";
    QTest::newRow("long zero tail") << "1." + QString(200, u'0') << true << "1";
    QTest::newRow("spaces around") << " -12.5 " << true << "-12.5";
    QTest::newRow("exponent beyond the scale") << "1e10000" << false << "";
    QTest::newRow("exponent without digits") << "1e+" << false << "";
    QTest::newRow("sign only") << "-" << false << "";
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

namespace {
QString plainText(const Decimal &d) {
    return d.isValid() ? generalText(QVariant::fromValue(d), QLocale::c()) : QString();
}
} // namespace

// Sums are exact or invalid (empty), never rounded or wrapped.
void TestConversions::addition_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("sum");
    const QString max38 = QString(38, u'9');
    QTest::newRow("carry across the point") << "0.99"
                                            << "0.01"
                                            << "1";
    QTest::newRow("carry through nines") << "999.995"
                                         << "0.005"
                                         << "1000";
    QTest::newRow("negatives") << "-1.25"
                               << "-2.5"
                               << "-3.75";
    QTest::newRow("borrow across the point") << "10"
                                             << "-0.01"
                                             << "9.99";
    QTest::newRow("negative wins") << "1.5"
                                   << "-2.75"
                                   << "-1.25";
    QTest::newRow("cancels to zero") << "12.34"
                                     << "-12.34"
                                     << "0";
    QTest::newRow("mixed scales") << "1234.5"
                                  << "0.000001"
                                  << "1234.500001";
    QTest::newRow("zero") << "0"
                          << "-7.10"
                          << "-7.1";
    QTest::newRow("whole thousands") << "1500"
                                     << "2500"
                                     << "4000";
    QTest::newRow("beyond 64 bits") << "18446744073709551615"
                                    << "1"
                                    << "18446744073709551616";
    QTest::newRow("decimal(38) max twice") << max38 << max38 << "1" + QString(37, u'9') + "8";
    QTest::newRow("decimal(38) scales 0 and 38")
        << max38 << "0." + QString(37, u'0') + "1" << max38 + "." + QString(37, u'0') + "1";
    QTest::newRow("overflow") << QString(77, u'9') << QString(77, u'9') << "";
    QTest::newRow("scales too far apart") << "1e70"
                                          << "1e-70"
                                          << "";
    QTest::newRow("invalid operand") << "1"
                                     << "n/a"
                                     << "";
}

void TestConversions::addition() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, sum);
    const Decimal x = Decimal::fromText(a);
    const Decimal y = Decimal::fromText(b);
    QCOMPARE(plainText(x + y), sum);
    QCOMPARE(plainText(y + x), sum);
    Decimal accumulated = x;
    accumulated += y;
    QCOMPARE(plainText(accumulated), sum);
}

// A journal sums a month's amounts: in binary floating point these drift by cents.
void TestConversions::millionsOfAmountsSumExactly() {
    const Decimal cents = Decimal::fromText("0.10");
    const Decimal micro = Decimal::fromText("-0.000001");
    Decimal sum = Decimal::fromInteger(0);
    for (int i = 0; i < 1'000'000; ++i)
        sum += i % 2 ? cents : micro;
    QCOMPARE(plainText(sum), QStringLiteral("49999.5"));
}

void TestConversions::order_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order"); // -1, 0, 1; 2 for unordered
    QTest::newRow("same value, other scale") << "1.50"
                                             << "1.5" << 0;
    QTest::newRow("negative zero") << "-0.00"
                                   << "0" << 0;
    QTest::newRow("fraction digits") << "0.1"
                                     << "0.09" << 1;
    QTest::newRow("integer digits") << "1e3"
                                    << "999.999" << 1;
    QTest::newRow("signs") << "-2"
                           << "1" << -1;
    QTest::newRow("both negative") << "-2"
                                   << "-1.5" << -1;
    QTest::newRow("tiny against zero") << "1e-300"
                                       << "0" << 1;
    QTest::newRow("far apart") << "1e70"
                               << "1e-70" << 1;
    QTest::newRow("beyond 64 bits") << "18446744073709551616"
                                    << "18446744073709551615.9" << 1;
    QTest::newRow("invalid") << "x"
                             << "x" << 2;
}

void TestConversions::order() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const auto asInt = [](std::partial_ordering o) {
        return o == 0 ? 0 : o < 0 ? -1 : o > 0 ? 1 : 2;
    };
    const Decimal x = Decimal::fromText(a);
    const Decimal y = Decimal::fromText(b);
    QCOMPARE(asInt(x <=> y), order);
    QCOMPARE(asInt(y <=> x), order == 2 ? 2 : -order);
    QCOMPARE(x == y, order == 0);
}

void TestConversions::general_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("null") << QVariant() << "";
    QTest::newRow("null string") << QVariant(QMetaType(QMetaType::QString)) << "";
    QTest::newRow("text unchanged") << QVariant(QStringLiteral(" Müller; 1.5 ")) << " Müller; 1.5 ";
    QTest::newRow("integer, no grouping") << QVariant(qint64(1234567)) << "1234567";
    QTest::newRow("smallest integer")
        << QVariant(std::numeric_limits<qint64>::min()) << "-9223372036854775808";
    QTest::newRow("largest unsigned")
        << QVariant(std::numeric_limits<quint64>::max()) << "18446744073709551615";
    QTest::newRow("decimal") << QVariant::fromValue(Decimal::fromText("1234.50")) << "1234,5";
    QTest::newRow("negative decimal") << QVariant::fromValue(Decimal::fromText("-3.10")) << "-3,1";
    QTest::newRow("large double") << QVariant(1e21) << "1000000000000000000000";
    QTest::newRow("small double") << QVariant(0.0025) << "0,0025";
    QTest::newRow("largest double")
        << QVariant(std::numeric_limits<double>::max()) << "17976931348623157" + QString(292, u'0');
    QTest::newRow("double beyond 2^53 keeps its digits")
        << QVariant(0x1p64) << "18446744073709551616";
    QTest::newRow("negative zero double") << QVariant(-0.0) << "0";
    QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN()) << "nan";
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
    QTest::newRow("negative half away from zero") << dec("-0.05") << one << "-0,1";
    QTest::newRow("just below half") << dec("0.0499999") << one << "0,0";
    QTest::newRow("decimal(38) carries through")
        << dec("99999999999999999999999999999999999.995") << two
        << "100.000.000.000.000.000.000.000.000.000.000.000,00";
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
