#include "app/Decimal.h"

namespace {
bool allDigits(QStringView s) {
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}
} // namespace

Decimal Decimal::fromText(const QString &text) {
    QStringView s = QStringView(text).trimmed();
    Decimal d;
    if (s.isEmpty())
        return d;
    if (s.front() == QLatin1Char('-') || s.front() == QLatin1Char('+')) {
        d.negative = s.front() == QLatin1Char('-');
        s = s.mid(1);
    }
    int exponent = 0;
    const qsizetype e = s.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    if (e >= 0) {
        QStringView exp = s.mid(e + 1);
        bool expNegative = false;
        if (!exp.isEmpty() &&
            (exp.front() == QLatin1Char('-') || exp.front() == QLatin1Char('+'))) {
            expNegative = exp.front() == QLatin1Char('-');
            exp = exp.mid(1);
        }
        if (exp.isEmpty() || exp.size() > 4 || !allDigits(exp))
            return {};
        exponent = exp.toInt() * (expNegative ? -1 : 1);
        s = s.left(e);
    }
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    QStringView whole = point >= 0 ? s.left(point) : s;
    QStringView fraction = point >= 0 ? s.mid(point + 1) : QStringView();
    if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(whole) || !allDigits(fraction))
        return {};
    d.digits = whole.toString() + fraction.toString();
    d.scale = int(fraction.size()) - exponent;
    if (d.scale < 0) {
        d.digits += QString(-d.scale, QLatin1Char('0'));
        d.scale = 0;
    }
    d.valid = true;
    d.normalise();
    return d;
}

void Decimal::normalise() {
    qsizetype lead = 0;
    while (lead < digits.size() - scale && digits.at(lead) == QLatin1Char('0'))
        ++lead;
    digits.remove(0, lead);
    while (scale > 0 && digits.endsWith(QLatin1Char('0'))) {
        digits.chop(1);
        --scale;
    }
    if (digits.size() < scale)
        digits.prepend(QString(scale - digits.size(), QLatin1Char('0')));
    bool zero = true;
    for (const QChar c : std::as_const(digits))
        zero = zero && c == QLatin1Char('0');
    if (zero) {
        digits.clear();
        scale = 0;
        negative = false;
    }
}

QString Decimal::integerDigits() const {
    const QString whole = digits.left(digits.size() - scale);
    return whole.isEmpty() ? QStringLiteral("0") : whole;
}

QString Decimal::fractionDigits() const {
    return digits.right(scale);
}

QString Decimal::fractionDigits(int minimum) const {
    QString f = fractionDigits();
    if (f.size() < minimum)
        f += QString(minimum - f.size(), QLatin1Char('0'));
    return f;
}

Decimal Decimal::rounded(int decimals) const {
    if (!valid || scale <= decimals)
        return *this;
    Decimal r = *this;
    const int drop = scale - decimals;
    const bool up = digits.at(digits.size() - drop) >= QLatin1Char('5');
    r.digits.chop(drop);
    r.scale = decimals;
    if (up) {
        qsizetype i = r.digits.size() - 1;
        while (i >= 0 && r.digits.at(i) == QLatin1Char('9')) {
            r.digits[i] = QLatin1Char('0');
            --i;
        }
        if (i >= 0)
            r.digits[i] = QChar(r.digits.at(i).unicode() + 1);
        else
            r.digits.prepend(QLatin1Char('1'));
    }
    r.normalise();
    return r;
}
