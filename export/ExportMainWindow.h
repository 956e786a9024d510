#pragma once

#include "export/ExportReport.h"

// What the export needs of the main window: the selection, the "Export" button's visibility,
// and the word that the run has ended. The main window implements it; ExportController uses
// nothing else of it.
class ExportMainWindow {
public:
    virtual ~ExportMainWindow() = default;

    // The marked clients' key list and the period box's text.
    virtual ExportSelection exportSelection() const = 0;
    virtual void setExportButtonVisible(bool visible) = 0;
    // An export has ended: the window catches up with what changed during the run.
    virtual void exportEnded() = 0;
};
