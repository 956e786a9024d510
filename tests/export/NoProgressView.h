#pragma once

#include "export/ExportOrigin.h"
#include "export/ExportProgressView.h"

#include <functional>

// A run without a window: progress goes nowhere.
class NoProgressView : public ExportProgressView {
public:
    void showWindow() override {}
    void hideWindow() override {}
    void setOkVisible(bool) override {}
    void setMeterBounds(int, int) override {}
    void setMeterPosition(int) override {}
};

// A test's start of a run: a fixed selection, the export button's last state kept, and each
// turn of the message loop handed to turn (none: the loop does not run, the program goes on).
class TestOrigin : public ExportOrigin {
public:
    explicit TestOrigin(ExportSelection selection, std::function<bool()> turn = {})
        : selection_(std::move(selection))
        , turn_(std::move(turn)) {}

    ExportSelection selection() override { return selection_; }
    void setExportButtonVisible(bool visible) override { buttonVisible = visible; }
    bool letMessageLoopRun() override { return turn_ ? turn_() : true; }

    bool buttonVisible = true;

private:
    ExportSelection selection_;
    std::function<bool()> turn_;
};
