#include "wagetypes/Categories.h"

#include "core/ListGridModel.h"

#include <cmath>

const QStringList &categoryRows() {
    static const QStringList rows{
        QStringLiteral("1;Basisbezug"),
        QStringLiteral("2;Urlaubszuschuss"),
        QStringLiteral("3;Weinachtsren."),
        QStringLiteral("4;Betrag 0%"),
        QStringLiteral("5;Betrag 50%"),
        QStringLiteral("6;Betrag 75%"),
        QStringLiteral("7;Betrag 100%"),
        QStringLiteral("8;Diäten"),
        QStringLiteral("9;Km-Geld"),
        QStringLiteral("10;Dientsgeberanteil"),
        QStringLiteral("11;Stunden 0%"),
        QStringLiteral("12;Stunden 50%"),
        QStringLiteral("13;Stunden 75%"),
        QStringLiteral("14;Stunden 100%"),
        QStringLiteral("15;Prämien"),
        QStringLiteral("16;Provisionen"),
        QStringLiteral("17;Überst.Abf.Entsch."),
        QStringLiteral(";"),
    };
    return rows;
}

void fillCategoryList(ListGridModel &list1) {
    list1.setRows(categoryRows());
}

namespace {
// The leading decimal number of a text: an optional sign, digits, a point and more digits;
// leading blanks are skipped. 0 when there is none.
double leadingNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    bool digits = false;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0;
    bool ok = false;
    const double value = text.mid(start, i - start).toString().toDouble(&ok);
    return ok ? value : 0;
}
} // namespace

int categoryRowOf(QStringView field) {
    // std::nearbyint rounds halves to even in the default rounding mode.
    const double row = std::nearbyint(leadingNumber(field) - 1);
    if (row < -1 || row > categoryCount + 1)
        return -1;
    return int(row);
}

QString categoryNameOf(QStringView field) {
    const int row = categoryRowOf(field);
    if (row < 0 || row >= categoryCount)
        return {};
    const QString &text = categoryRows().at(row);
    return text.mid(text.indexOf(QLatin1Char(';')) + 1);
}
