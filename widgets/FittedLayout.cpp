#include "widgets/FittedLayout.h"

#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>
#include <cmath>

FittedLayout::FittedLayout(const QWidget *widget)
    : dotsPerInch_(widget->logicalDpiX()) {
    const QFontMetricsF metrics(widget->font(), widget);
    qreal digit = 0;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        digit = std::max(digit, metrics.horizontalAdvance(QChar(d)));
    const qreal designDigit = designDigitTwips * dotsPerInch_ / 1440.0;
    scale_ = std::max(1.0, digit / designDigit);
}

int FittedLayout::twips(int value) const {
    return int(std::lround(value * dotsPerInch_ * scale_ / 1440.0));
}

QRect FittedLayout::twipsRect(int left, int top, int width, int height) const {
    return {twips(left), twips(top), twips(width), twips(height)};
}

int FittedLayout::designPixels(int value) const {
    return twips(value * 15); // a pixel of a 96-dpi screen is 15 twips
}
