#pragma once

#include "export/ExportReport.h"

#include <QCoreApplication>

// Where an export run was started, as the run sees it: what it exports, the "Export" button it
// hides while it runs, and the message loop it lets run between two records. On the desktop
// that is the main window (through ExportController); kwpctl and tests have no window.
class ExportOrigin {
public:
    virtual ~ExportOrigin() = default;

    // The marked clients and the period text, read when the run starts.
    virtual ExportSelection selection() = 0;
    virtual void setExportButtonVisible(bool visible) = 0;
    // Lets the message loop run once; false when the program is ending meanwhile.
    virtual bool letMessageLoopRun() = 0;
};

// A start without a window: a selection given beforehand, no button, and a program that does
// not end during the run.
class WindowlessOrigin : public ExportOrigin {
public:
    explicit WindowlessOrigin(ExportSelection selection)
        : selection_(std::move(selection)) {}

    ExportSelection selection() override { return selection_; }
    void setExportButtonVisible(bool) override {}
    bool letMessageLoopRun() override {
        QCoreApplication::processEvents();
        return true;
    }

private:
    ExportSelection selection_;
};
