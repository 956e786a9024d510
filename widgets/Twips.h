#pragma once

#include <QRect>

// Window layouts are designed in twips, 1440 to the inch.
inline int twipsToPixels(int twips, int dotsPerInch) {
    return (twips * dotsPerInch + 720) / 1440;
}

inline QRect twipsRect(int left, int top, int width, int height, int dotsPerInch) {
    return {twipsToPixels(left, dotsPerInch), twipsToPixels(top, dotsPerInch),
            twipsToPixels(width, dotsPerInch), twipsToPixels(height, dotsPerInch)};
}
