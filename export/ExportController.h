#pragma once

#include "export/ExportJournal.h"
#include "export/ExportRun.h"
#include "export/ExportWindowView.h"
#include "export/RecordCheck.h"

#include <QObject>
#include <QPointer>

class FMStart;
class Session;

// Wires the main window's "Export" button to the export run and its progress window. One
// exists for the program's run; the progress window lives as long as it does.
class ExportController : public QObject {
    Q_OBJECT
public:
    ExportController(Session &session, FMStart &mainWindow);

    // The program is ending (main window closed, "Beenden"): a run under way sends nothing
    // more and touches no window.
    void programEnding();

    ExportRun &run() { return run_; }
    ExportWindowView &view() { return view_; }
    ExportJournal &journal() { return journal_; }
    ExportRun::Outcome lastOutcome() const { return lastOutcome_; }

private:
    void export_Click();

    Session &session_;
    QPointer<FMStart> mainWindow_;
    ExportWindowView view_;
    RecordCheck check_;
    ExportJournal journal_;
    ExportRun run_;
    bool ending_ = false;
    ExportRun::Outcome lastOutcome_ = ExportRun::Outcome::NotStarted;
};
