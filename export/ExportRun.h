#pragma once

#include "app/PayrollQuery.h"
#include "export/LineRecordWriter.h"
#include "export/ServerCallLine.h"
#include "gateway/ErpConnection.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

class ExportProgressView;
class UserMessages;

// What the user has chosen when the run starts: the marked clients and the period text.
struct ExportSelection {
    QString clientKeyList; // "3, 999, 1000"; "1000" alone when none is marked
    QString period;        // the period box's text, as chosen or typed
};

// One export: the opening record and then one line record per result row, each handed to
// $$WINKWP^BRKWPCOM on the ERP server in its own line, until the end of the rows or the first
// record the server does not take. The run is a plain class: the desktop drives it with the
// window "Export läuft", kwpctl with a reporter on standard error.
class ExportRun {
public:
    enum class Outcome {
        Completed,  // every record taken; the export button is back
        Refused,    // the server refused a record; its message was shown
        Stopped,    // a failure after records were sent; the message says how many were taken
        NotStarted, // refused before anything was sent (period, query, a value that cannot
                    // travel); the export button is back
        Abandoned,  // the program is ending: nothing further is sent or shown
    };

    // The parts the run works with beside the database and the display.
    struct Parts {
        std::function<void(bool visible)> setExportButtonVisible;
        // Lets the message loop run once; false when the program is ending meanwhile.
        std::function<bool()> letMessageLoopRun;
        // Reads the marked clients and the period text.
        std::function<ExportSelection()> selection;
        // The command channel; tells a failed line from an answer.
        std::function<ServerAnswer(const QString &line)> execute;
    };

    ExportRun(const RecordCheck &check, ExportProgressView &view, UserMessages &messages,
              Parts parts);

    // Runs one export on the payroll database with the query text and the preview's line
    // count (for the meter).
    // Without a preview (kwpctl), countLines sizes the meter by the rows the run finds.
    static constexpr qint64 countLines = -1;
    Outcome run(const QSqlDatabase &database, const QString &query, qint64 reccount);

    bool isRunning() const { return running_; }
    bool openingTaken() const { return openingTaken_; }
    // The line records the server took in the last run.
    qint64 linesTaken() const { return linesTaken_; }
    // What the server took in the last run, as a German sentence ("... und 1 Zeile ...").
    QString takenText() const;
    // The last message the run showed itself (not the channel's), for kwpctl.
    const QString &lastMessage() const { return lastMessage_; }

private:
    Outcome execute(const QString &query, qint64 reccount);
    bool runStatement(PayrollQuery &result, const QString &statement);
    bool checkRows(const QString &statement);
    bool writeRow(const PayrollQuery &row, int columnCount, ServerCallLine *line);
    Outcome notStarted(const QString &text, const QString &details);
    Outcome refused(std::optional<PayrollQuery> &result, const QString &answer);
    Outcome stopped(std::optional<PayrollQuery> &result, const QString &text,
                    const QString &details);
    void tell(const QString &text, const QString &details = QString());

    QSqlDatabase database_;
    const RecordCheck &check_;
    ExportProgressView &view_;
    UserMessages &messages_;
    Parts parts_;
    LineRecordWriter writer_;
    ServerCallLine line_;
    bool running_ = false;
    bool openingTaken_ = false;
    qint64 linesTaken_ = 0;
    qint64 linesFound_ = 0; // rows of the checking pass
    QString lastMessage_;
    QString problem_; // why writeRow() refused the row, a whole German sentence
    QString problemDetails_;
};
