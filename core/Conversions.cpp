#include "core/Conversions.h"

#include "core/Decimal.h"

#include <QDateTime>

#include <algorithm>

QLocale regionalLocale() {
    // The system locale, unless the INI file pinned another with QLocale::setDefault().
    return QLocale();
}

Decimal decimalValue(const QVariant &value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return Decimal::fromInteger(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return Decimal::fromInteger(value.toULongLong());
    // Doubles reach us where a driver offers nothing exact; their shortest round-trip text is
    // the decimal that was stored.
    case QMetaType::Double:
    case QMetaType::Float:
        return Decimal::fromDouble(value.toDouble());
    default:
        if (value.userType() == qMetaTypeId<Decimal>())
            return *static_cast<const Decimal *>(value.constData());
    }
    return {};
}

namespace {

QString timeText(const QTime &time, const QLocale &locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (time.second() != 0 && !format.contains(QLatin1String("ss")))
        format.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return locale.toString(time, format);
}
} // namespace

QString shortDateFormat(const QLocale &locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString generalText(const QVariant &value, const QLocale &locale) {
    return ValueConverter(locale).general(value);
}

QString patternText(const QVariant &value, NumberPattern pattern, const QLocale &locale) {
    return ValueConverter(locale).pattern(value, pattern);
}

ValueConverter::ValueConverter(const QLocale &locale)
    : locale(locale)
    , groupSeparator(locale.groupSeparator())
    , decimalPoint(locale.decimalPoint())
    , negativeSign(locale.negativeSign())
    , dateFormat(shortDateFormat(locale)) {}

void ValueConverter::appendNumber(QString &out, const Decimal &number, int minimumDecimals,
                                  bool grouped) const {
    Decimal::DigitBuffer buffer;
    const QLatin1StringView digits = number.digits(buffer);
    const qsizetype count = digits.size();
    const qsizetype scale = number.scale();
    // Positions beyond the stored digits are zeros: in the integer part for a negative scale
    // (1500: digits "15", scale -2), before them in the fraction (0.05: digits "5", scale 2).
    const auto digitAt = [&](qsizetype i) {
        return i >= 0 && i < count ? QLatin1Char(digits[i]) : QLatin1Char('0');
    };
    const qsizetype whole = count - scale;
    const qsizetype integerDigits = qMax<qsizetype>(whole, 1);
    const qsizetype separators = grouped ? (integerDigits - 1) / 3 : 0;
    const qsizetype decimals = qMax<qsizetype>(minimumDecimals, scale);
    // The text is written in place: one resize instead of an append per character.
    const qsizetype start = out.size();
    out.resize(start + (number.isNegative() ? negativeSign.size() : 0) + integerDigits +
               separators * groupSeparator.size() +
               (decimals > 0 ? decimalPoint.size() + decimals : 0));
    QChar *w = out.data() + start;
    const auto put = [&w](const QString &s) { w = std::copy(s.cbegin(), s.cend(), w); };
    if (number.isNegative())
        put(negativeSign);
    if (whole <= 0)
        *w++ = u'0';
    for (qsizetype i = 0; i < whole; ++i) {
        if (grouped && i > 0 && (whole - i) % 3 == 0)
            put(groupSeparator);
        *w++ = digitAt(i);
    }
    if (decimals == 0)
        return;
    put(decimalPoint);
    for (qsizetype i = 0; i < decimals; ++i)
        *w++ = i < scale ? digitAt(whole + i) : QLatin1Char('0');
}

QString ValueConverter::date(const QDate &day) {
    const qint64 key = day.toJulianDay();
    auto found = dates.constFind(key);
    if (found != dates.constEnd())
        return *found;
    if (dates.size() > 4096)
        dates.clear();
    const QString text = locale.toString(day, dateFormat);
    dates.insert(key, text);
    return text;
}

void ValueConverter::append(QString &out, const QVariant &value, NumberPattern pattern) {
    if (!value.isValid() || value.isNull())
        return;
    if (const Decimal number = decimalValue(value); number.isValid()) {
        if (pattern == NumberPattern::None) {
            appendNumber(out, number, 0, false);
        } else {
            const int decimals = pattern == NumberPattern::OneDecimal ? 1 : 2;
            appendNumber(out, number.rounded(decimals), decimals, true);
        }
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QDate:
        out += date(value.toDate());
        return;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        out += date(dt.date());
        if (dt.time() != QTime(0, 0))
            out += QLatin1Char(' ') + timeText(dt.time(), locale);
        return;
    }
    case QMetaType::QTime:
        out += timeText(value.toTime(), locale);
        return;
    case QMetaType::QString:
        out += *static_cast<const QString *>(value.constData());
        return;
    default:
        out += value.toString();
    }
}

QString ValueConverter::general(const QVariant &value) {
    QString text;
    append(text, value, NumberPattern::None);
    return text;
}

QString ValueConverter::pattern(const QVariant &value, NumberPattern pattern) {
    QString text;
    append(text, value, pattern);
    return text;
}
