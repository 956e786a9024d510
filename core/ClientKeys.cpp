#include "core/ClientKeys.h"

#include "core/ListGridModel.h"
#include "gateway/GetPiece.h"

QString clientKeyList(const QStringList &numbers) {
    QString keys;
    for (const QString &number : numbers)
        keys += number + QStringLiteral(", ");
    return keys + QStringLiteral("1000");
}

QStringList markedClientNumbers(const ListGridModel &mandant) {
    QStringList numbers;
    for (int row = 0; row < mandant.rows(); ++row)
        if (mandant.isChecked(row, clientMarkColumn))
            numbers.append(mandant.cellText(row, 1));
    return numbers;
}

QString clientKeyList(const ListGridModel &mandant) {
    return clientKeyList(markedClientNumbers(mandant));
}

QStringList clientNumbers(const QStringList &rows) {
    QStringList numbers;
    for (const QString &row : rows)
        numbers.append(GetPiece(row, QLatin1Char(';'), 1));
    return numbers;
}

bool parseClientNumbers(const QString &option, QStringList &numbers) {
    numbers.clear();
    for (const QString &part : option.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString number = part.trimmed();
        if (number.isEmpty() || !std::all_of(number.begin(), number.end(), [](QChar c) {
                return c.isDigit() && c.unicode() < 128;
            }))
            return false;
        numbers.append(number);
    }
    return true;
}
