#pragma once

#include "core/PayrollQuery.h"
#include "export/ExportReport.h"
#include "export/LineRecordWriter.h"
#include "export/ServerCallLine.h"
#include "gateway/ErpConnection.h"
#include "gateway/GatewaySettings.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

class ExportOrigin;
class ExportProgressView;
class LineChannel;
class UserMessages;

// One export: the opening record and then one line record per result row, each handed to
// $$WINKWP^BRKWPCOM on the ERP server in its own line, until the end of the rows or the first
// record the server does not take. The run is a plain class: the desktop drives it with the
// window "Export läuft", kwpctl with a reporter on standard error.
class ExportRun {
public:
    using Outcome = ExportOutcome;

    // The parts the run works with beside the database, the display and where it was started.
    struct Parts {
        // The command channel; tells a failed line from an answer.
        std::function<ServerAnswer(const QString &line)> execute;
        // Keeps account of every run (the journal); none in tests that do not look at it.
        ExportReport *report = nullptr;
        // The longest line the server runs (usableLineLength()); a record that would need a
        // longer one is refused before anything is sent.
        int maxLineLength = usableLineLength(GatewaySettings());
        // Records in flight (gateway/mumps/PROTOCOL.md): the session's connection, the most
        // records sent ahead of their answers (0: one at a time), and how a failed record is
        // shown (as execute shows a failed line). Without them, or against a service that
        // cannot take records in flight, records go one at a time.
        std::function<ErpConnection *()> connection = {};
        int recordsInFlight = 0;
        std::function<void(const ServerAnswer &failed)> recordFailed = {};
    };

    ExportRun(const RecordCheck &check, ExportProgressView &view, ExportOrigin &origin,
              UserMessages &messages, Parts parts);

    // Runs one export on the payroll database with the query text and the preview's line
    // count (for the meter).
    // Without a preview (kwpctl), countLines sizes the meter by the rows the run finds.
    static constexpr qint64 countLines = -1;
    Outcome run(const QSqlDatabase &database, const QString &query, qint64 reccount);

    bool isRunning() const { return running_; }
    // The line records the server took for certain in the last run.
    qint64 linesTaken() const { return end_.linesTaken; }
    // How the last run ended: what was taken, what is uncertain, where it stopped.
    const ExportEnd &lastEnd() const { return end_; }
    // What the server took in the last run, as a German sentence ("... und 1 Zeile ...").
    QString takenText() const;
    // The last message the run showed itself (not the channel's), for kwpctl.
    const QString &lastMessage() const { return lastMessage_; }

private:
    struct HeldRow;
    class Flight;
    Outcome execute(const QString &query, qint64 reccount);
    // Sends the records with up to recordsInFlight of them ahead of their answers.
    Outcome executeInFlight(std::optional<PayrollQuery> &result, const QString &opening,
                            ErpConnection &connection, LineChannel &channel);
    bool runStatement(PayrollQuery &result, const QString &statement);
    bool checkRows(const QString &statement);
    // Writes the row's record into the line; without a line only checks it (the checking pass),
    // building a line only for a record long enough to come near the server's limit.
    bool writeRow(const PayrollQuery &row, int columnCount, ServerCallLine *line);
    // Records why the row cannot be sent, naming the employee and the column; false.
    bool refuseRow(const PayrollQuery &row, int columnCount, int column, const QString &problem);
    Outcome notStarted(const QString &text, const QString &details = QString());
    Outcome refused(std::optional<PayrollQuery> &result, const QString &answer);
    Outcome stopped(std::optional<PayrollQuery> &result, const QString &text,
                    const ServerAnswer &answer);
    Outcome stopped(std::optional<PayrollQuery> &result, const QString &text,
                    const QString &details);
    void tell(const QString &text, const QString &details = QString());
    void endReport(Outcome outcome);

    QSqlDatabase database_;
    const RecordCheck &check_;
    ExportProgressView &view_;
    ExportOrigin &origin_;
    UserMessages &messages_;
    Parts parts_;
    QLocale locale_;
    LineRecordWriter writer_;
    ServerCallLine line_;
    ServerCallLine checkedLine_; // the checking pass measures long records' lines in it
    bool running_ = false;
    bool reporting_ = false; // the report began for this run
    ExportEnd end_;
    qint64 lineCounter_ = 0;
    qint64 linesFound_ = 0; // rows of the checking pass
    QString lastMessage_;
    QString problem_; // why writeRow() refused the row, a whole German sentence
    QString problemDetails_;
};
