#pragma once

#include "core/Session.h"
#include "export/ExportWindowView.h"
#include "export/RecordCheck.h"
#include "tests/export/PayrollFile.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/StandInConnection.h"
#include "tests/support/TestExportRun.h"

#include <QTemporaryDir>
#include <QWidget>

// An export without a MUMPS engine: a session logged on as the demo user to a stand-in
// connection, the demo query, an empty payroll file and the window "Export läuft". The run
// goes through the session's gateway as the program's does.
class StandInExport {
public:
    StandInExport();
    ~StandInExport();

    // Runs the export on the payroll file; reccount -2: the payroll file's line count.
    ExportRun::Outcome run(qint64 reccount = -2);
    // The lines the records travel in, the opening record of the run's selection first.
    QStringList linesFor(const QStringList &records) const;
    // The line records the stand-in received after the opening record.
    qsizetype receivedRecords() const { return server->lines.size() - 1; }

    RecordedMessages messages;
    Session session;
    StandInConnection *server = nullptr; // kept by the session's log-on
    QTemporaryDir data;
    PayrollFile payroll;
    QWidget mainWindow;
    ExportWindowView view;
    RecordCheck check;
    TestExportRun exporter;
};
