#include "app/Conversions.h"

#include "app/Decimal.h"

#include <QDateTime>

#include <cmath>

QLocale regionalLocale() {
    return QLocale::system();
}

namespace {
// Doubles reach us only where a driver offers nothing exact; their shortest round-trip text
// is the closest decimal reading.
Decimal decimalOf(const QVariant &value, bool *isNumber) {
    *isNumber = true;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return Decimal::fromText(value.toString());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::isfinite(d))
            return Decimal::fromText(QString::number(d, 'g', QLocale::FloatingPointShortest));
        break;
    }
    default:
        if (value.userType() == qMetaTypeId<Decimal>())
            return value.value<Decimal>();
    }
    *isNumber = false;
    return {};
}

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

QString ValueConverter::number(const Decimal &d, int minimumDecimals, bool grouped) const {
    QString whole = d.integerDigits();
    if (grouped)
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, groupSeparator);
    QString text = d.isNegative() ? negativeSign + whole : whole;
    const QString fraction = d.fractionDigits(minimumDecimals);
    if (!fraction.isEmpty())
        text += decimalPoint + fraction;
    return text;
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

QString ValueConverter::general(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return {};
    bool isNumber = false;
    const Decimal d = decimalOf(value, &isNumber);
    if (isNumber)
        return d.isValid() ? number(d, 0, false) : value.toString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return date(value.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        QString text = date(dt.date());
        if (dt.time() != QTime(0, 0))
            text += QLatin1Char(' ') + timeText(dt.time(), locale);
        return text;
    }
    case QMetaType::QTime:
        return timeText(value.toTime(), locale);
    default:
        return value.toString();
    }
}

QString ValueConverter::pattern(const QVariant &value, NumberPattern pattern) {
    if (pattern == NumberPattern::None)
        return general(value);
    if (!value.isValid() || value.isNull())
        return {};
    bool isNumber = false;
    const Decimal d = decimalOf(value, &isNumber);
    if (!isNumber || !d.isValid())
        return general(value);
    const int decimals = pattern == NumberPattern::OneDecimal ? 1 : 2;
    return number(d.rounded(decimals), decimals, true);
}
