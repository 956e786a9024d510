#pragma once

#include <QRect>

class QWidget;

// The fixed layouts (positions and sizes in twips, grid column widths in pixels of a 96-dpi
// screen) were drawn for an 8-point dialog font whose digits are 5 pixels wide at 96 dpi
// (75 twips). Drawn as designed in a wider font, they cut values off ("14.04...."). A
// FittedLayout turns design units into a widget's pixels and widens the whole layout in
// proportion: by the widget font's digit width against the design font's, never narrower
// than designed.
class FittedLayout {
public:
    // The scale of the widget's font on the widget's screen.
    explicit FittedLayout(const QWidget *widget);

    // Factor by which the layout is widened; 1 for a font no wider than the design font.
    double scale() const { return scale_; }

    // Twips of the design, in pixels.
    int twips(int value) const;
    QRect twipsRect(int left, int top, int width, int height) const;
    // A width in pixels of the design's 96-dpi screen (a list grid's column), in pixels.
    int designPixels(int value) const;

    // The digit width of the design font: 75 twips.
    static constexpr int designDigitTwips = 75;

private:
    int dotsPerInch_;
    double scale_;
};
