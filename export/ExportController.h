#pragma once

#include "export/ExportJournal.h"
#include "export/ExportOrigin.h"
#include "export/ExportRun.h"
#include "export/ExportWindowView.h"
#include "export/RecordCheck.h"

#include <QObject>
#include <QPointer>

class ExportMainWindow;
class QWidget;
class Session;

// Runs an export when the main window's "Export" button asks for it (the program's wiring
// connects the two), with the progress window above the main window. One exists for the
// program's run; the progress window lives as long as it does.
class ExportController : public QObject, private ExportOrigin {
    Q_OBJECT
public:
    // window: the main window as a widget (the progress window's owner); mainWindow: the same
    // window as the export sees it.
    ExportController(Session &session, QWidget &window, ExportMainWindow &mainWindow);

    // The "Export" button: runs an export of the preview's rows; previewCount, the records of
    // the last preview fill, is the meter's upper bound.
    void start(qint64 previewCount);
    // The program is ending (main window closed, "Beenden"): a run under way sends nothing
    // more and touches no window.
    void programEnding();

    ExportRun &run() { return run_; }
    ExportWindowView &view() { return view_; }
    ExportJournal &journal() { return journal_; }
    ExportRun::Outcome lastOutcome() const { return lastOutcome_; }

private:
    ExportSelection selection() override;
    void setExportButtonVisible(bool visible) override;
    bool letMessageLoopRun() override;

    Session &session_;
    QPointer<QWidget> window_; // gone when the main window was destroyed during a run
    ExportMainWindow &mainWindow_;
    ExportWindowView view_;
    RecordCheck check_;
    ExportJournal journal_;
    ExportRun run_;
    bool ending_ = false;
    ExportRun::Outcome lastOutcome_ = ExportRun::Outcome::NotStarted;
};
