#pragma once

// What the export run does with its progress display: the window "Export läuft" on the
// desktop, a reporter on standard error in kwpctl.
class ExportProgressView {
public:
    virtual ~ExportProgressView() = default;

    // Makes the display visible; the first time this also creates and places it.
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual void setOkVisible(bool visible) = 0;
    // The meter takes any values: an upper bound below the lower one, a position outside.
    virtual void setMeterBounds(int lower, int upper) = 0;
    virtual void setMeterPosition(int position) = 0;
};
