#include "app/Conversions.h"

#include "app/Decimal.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <cstring>

QLocale regionalLocale() {
    return QLocale::system();
}

// A number as decimal digits in a fixed buffer, so that converting a value costs no allocation
// until its text is appended. Numbers beyond its size take the Decimal path.
struct DecimalDigits {
    bool negative = false;
    int count = 0; // digits in d, most significant first
    int scale = 0; // how many of them are fraction digits
    char d[48];

    bool push(char c) {
        if (count >= int(sizeof d))
            return false;
        d[count++] = c;
        return true;
    }

    // "[+-]digits[.digits][e[+-]digits]"
    bool fromText(QStringView s) { return parse(s); }
    bool fromText(QLatin1StringView s) { return parse(s); }

    template <typename Text> bool parse(Text s) {
        negative = false;
        count = scale = 0;
        qsizetype i = 0;
        if (i < s.size() && (QChar(s[i]) == u'-' || QChar(s[i]) == u'+'))
            negative = QChar(s[i++]) == u'-';
        bool any = false;
        bool fraction = false;
        for (; i < s.size(); ++i) {
            const char16_t c = QChar(s[i]).unicode();
            if (c >= u'0' && c <= u'9') {
                if (!push(char(c)))
                    return false;
                any = true;
                if (fraction)
                    ++scale;
            } else if (c == u'.' && !fraction) {
                fraction = true;
            } else {
                break;
            }
        }
        if (!any)
            return false;
        if (i < s.size()) {
            if (QChar(s[i]) != u'e' && QChar(s[i]) != u'E')
                return false;
            bool ok = false;
            const int exponent = s.mid(i + 1).toInt(&ok);
            if (!ok || exponent > 40 || exponent < -40)
                return false;
            scale -= exponent;
            while (scale < 0) {
                if (!push('0'))
                    return false;
                ++scale;
            }
        }
        normalise();
        return true;
    }

    bool fromInteger(qint64 v) {
        negative = v < 0;
        quint64 u = negative ? quint64(0) - quint64(v) : quint64(v);
        char reversed[24];
        int n = 0;
        do {
            reversed[n++] = char('0' + u % 10);
            u /= 10;
        } while (u);
        count = scale = 0;
        while (n)
            d[count++] = reversed[--n];
        normalise();
        return true;
    }

    void normalise() {
        int lead = 0;
        while (lead < count - scale && d[lead] == '0')
            ++lead;
        if (lead) {
            std::memmove(d, d + lead, size_t(count - lead));
            count -= lead;
        }
        while (scale > 0 && d[count - 1] == '0') {
            --count;
            --scale;
        }
        bool zero = true;
        for (int i = 0; i < count && zero; ++i)
            zero = d[i] == '0';
        if (zero) {
            count = scale = 0;
            negative = false;
        }
    }

    // Half away from zero.
    bool round(int decimals) {
        if (scale <= decimals)
            return true;
        const int drop = scale - decimals;
        // Fraction digits may lie beyond the stored ones (leading zeros): treat them as 0.
        const int keep = count - drop;
        const bool up = keep >= 0 && keep < count ? d[keep] >= '5' : false;
        if (keep <= 0) {
            count = 0;
        } else {
            count = keep;
        }
        scale = decimals;
        if (up) {
            int i = count - 1;
            while (i >= 0 && d[i] == '9')
                d[i--] = '0';
            if (i >= 0) {
                ++d[i];
            } else {
                if (!push('0'))
                    return false;
                std::memmove(d + 1, d, size_t(count - 1));
                d[0] = '1';
            }
        }
        normalise();
        return true;
    }
};

namespace {
bool digitsOf(const QVariant &value, DecimalDigits &digits, bool *isNumber) {
    *isNumber = true;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return digits.fromInteger(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return digits.fromText(value.toString());
    // Doubles reach us where a driver offers nothing exact; their shortest round-trip text is
    // the decimal that was stored.
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d)) {
            *isNumber = false;
            return false;
        }
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, d);
        return end.ec == std::errc() &&
               digits.fromText(QLatin1StringView(text, qsizetype(end.ptr - text)));
    }
    default:
        if (value.userType() == qMetaTypeId<Decimal>()) {
            const Decimal decimal = value.value<Decimal>();
            if (!decimal.isValid()) {
                *isNumber = false;
                return false;
            }
            const QString fraction = decimal.fractionDigits();
            return digits.fromText((decimal.isNegative() ? QStringLiteral("-") : QString()) +
                                   decimal.integerDigits() +
                                   (fraction.isEmpty() ? QString() : QLatin1Char('.') + fraction));
        }
    }
    *isNumber = false;
    return false;
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

void ValueConverter::appendNumber(QString &out, const DecimalDigits &digits, int minimumDecimals,
                                  bool grouped) const {
    if (digits.negative)
        out += negativeSign;
    const int whole = digits.count - digits.scale;
    if (whole <= 0)
        out += u'0';
    for (int i = 0; i < whole; ++i) {
        if (grouped && i > 0 && (whole - i) % 3 == 0)
            out += groupSeparator;
        out += QLatin1Char(digits.d[i]);
    }
    const int decimals = qMax(minimumDecimals, digits.scale);
    if (decimals == 0)
        return;
    out += decimalPoint;
    // Fraction digits not stored are leading zeros (for 0.05: scale 2, digits "5").
    for (int i = 0; i < decimals; ++i) {
        const int at = whole + i;
        out += (i < digits.scale && at >= 0) ? QLatin1Char(digits.d[at]) : QLatin1Char('0');
    }
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
    bool isNumber = false;
    DecimalDigits digits;
    if (digitsOf(value, digits, &isNumber)) {
        if (pattern == NumberPattern::None) {
            appendNumber(out, digits, 0, false);
            return;
        }
        const int decimals = pattern == NumberPattern::OneDecimal ? 1 : 2;
        if (digits.round(decimals)) {
            appendNumber(out, digits, decimals, true);
            return;
        }
    }
    if (isNumber) {
        // Too many digits for the buffer: the slower exact path.
        const Decimal decimal = value.userType() == qMetaTypeId<Decimal>()
                                    ? value.value<Decimal>()
                                    : Decimal::fromText(value.toString());
        if (decimal.isValid() && pattern == NumberPattern::None) {
            out += (decimal.isNegative() ? negativeSign : QString()) + decimal.integerDigits();
            if (!decimal.fractionDigits().isEmpty())
                out += decimalPoint + decimal.fractionDigits();
            return;
        }
        if (decimal.isValid()) {
            const int decimals = pattern == NumberPattern::OneDecimal ? 1 : 2;
            const Decimal r = decimal.rounded(decimals);
            QString whole = r.integerDigits();
            for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
                whole.insert(i, groupSeparator);
            out += (r.isNegative() ? negativeSign : QString()) + whole + decimalPoint +
                   r.fractionDigits(decimals);
            return;
        }
        out += value.toString();
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
