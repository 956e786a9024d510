#pragma once

#include <QHash>
#include <QLocale>
#include <QString>
#include <QVariant>

class Decimal;

// Turning database values into the texts the user sees and the ERP server receives. Values
// come as PayrollQuery hands them over: null, integers, Decimal, double, QDate, QDateTime,
// QString.

// The workstation's regional settings (LC_ALL / LANG on Linux), or the locale the INI file
// pins ([Regional] Locale).
QLocale regionalLocale();

// Any number as an exact Decimal; invalid for null, for values that are no numbers, for
// infinities and NaN.
Decimal decimalValue(const QVariant &value);

// The format patterns of the preview.
enum class NumberPattern {
    None,       // general conversion
    OneDecimal, // "###,##0.0"
    TwoDecimals // "###,##0.00"
};

// Converts with no pattern: numbers in their shortest form with the regional decimal sign and
// no grouping, dates in the regional short form with a four-digit year followed by the time
// when it is not midnight, text unchanged, null as empty text.
QString generalText(const QVariant &value, const QLocale &locale = regionalLocale());

// Converts a number with one of the patterns: grouped by thousands, at least one integer
// digit, exactly one or two decimals, rounded half away from zero. Values that are not
// numbers get the general conversion.
QString patternText(const QVariant &value, NumberPattern pattern,
                    const QLocale &locale = regionalLocale());

// The regional short date format with the year widened to four digits.
QString shortDateFormat(const QLocale &locale);

// The same conversions for many values in a row: the regional signs and formats are looked up
// once, and recent dates are remembered (payroll rows repeat the same few dates).
class ValueConverter {
public:
    explicit ValueConverter(const QLocale &locale = regionalLocale());
    QString general(const QVariant &value);
    QString pattern(const QVariant &value, NumberPattern pattern);
    // Appends the converted value to a text under construction (a whole preview row).
    void append(QString &out, const QVariant &value, NumberPattern pattern);

private:
    QLocale locale;
    QString groupSeparator;
    QString decimalPoint;
    QString negativeSign;
    QString dateFormat;
    QHash<qint64, QString> dates; // by Julian day
    void appendNumber(QString &out, const Decimal &number, int minimumDecimals, bool grouped) const;
    QString date(const QDate &day);
};
