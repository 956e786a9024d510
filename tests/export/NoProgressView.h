#pragma once

#include "export/ExportProgressView.h"

// A run without a window: progress goes nowhere.
class NoProgressView : public ExportProgressView {
public:
    void showWindow() override {}
    void hideWindow() override {}
    void setOkVisible(bool) override {}
    void setMeterBounds(int, int) override {}
    void setMeterPosition(int) override {}
};
