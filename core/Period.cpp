#include "core/Period.h"

bool isValidPeriod(const QString &period) {
    if (period.size() != 6)
        return false;
    for (const QChar c : period)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int month = period.mid(4, 2).toInt();
    return month >= 1 && month <= 12;
}

QString periodProblem(const QString &period) {
    if (isValidPeriod(period))
        return {};
    return QStringLiteral("Die Periode \u201E%1\u201C ist ungültig. Eine Periode besteht aus "
                          "sechs Ziffern, Jahr und Monat (JJJJMM), mit einem Monat von 01 bis 12.")
        .arg(period);
}

QString defaultPeriod(const QDate &day) {
    int year = day.year();
    int month = day.month() - 1;
    if (month == 0) {
        year -= 1;
        month = 12;
    }
    return QString::number(year) + QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0'));
}
