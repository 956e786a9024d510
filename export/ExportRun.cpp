#include "export/ExportRun.h"

#include "app/Conversions.h"
#include "app/QueryFile.h"
#include "common/UserMessages.h"
#include "export/ExportProgressView.h"
#include "export/ExportRecords.h"
#include "export/LineRecordWriter.h"
#include "export/RecordCheck.h"

#include "app/PayrollQuery.h"
#include "app/Preview.h"

#include <optional>
#include <utility>

namespace {
constexpr int employeeColumn = 1;

// The heading the user knows a result column by, from the preview grid.
QString heading(int column) {
    const QList<PreviewColumn> designed = designedPreviewColumns();
    if (column < designed.size())
        return designed[column].heading;
    if (column == designed.size())
        return QStringLiteral("Svnr"); // added to the grid at start-up
    return QStringLiteral("Spalte %1").arg(column + 1);
}

const QString nothingSent = QStringLiteral("Es wurde nichts an den ERP-Server gesendet.");
const QString readFailure = QStringLiteral("Beim Lesen der Lohndaten ist ein Fehler aufgetreten; "
                                           "der Export wurde abgebrochen.");
const QString closedDatabase =
    QStringLiteral("Die Verbindung zur Lohndatenbank wurde während des Exports geschlossen.");
} // namespace

ExportRun::ExportRun(const RecordCheck &check, ExportProgressView &view, UserMessages &messages,
                     Parts parts)
    : check_(check)
    , view_(view)
    , messages_(messages)
    , parts_(std::move(parts))
    , writer_(check, regionalLocale()) {}

ExportRun::Outcome ExportRun::run(const QSqlDatabase &database, const QString &query,
                                  qint64 reccount) {
    // The hidden export button keeps a second run out; this guards the code path as well.
    if (running_)
        return Outcome::NotStarted;
    running_ = true;
    database_ = database;
    openingTaken_ = false;
    linesTaken_ = 0;
    lastMessage_.clear();
    const Outcome outcome = execute(query, reccount);
    running_ = false;
    database_ = QSqlDatabase();
    return outcome;
}

ExportRun::Outcome ExportRun::execute(const QString &query, qint64 reccount) {
    parts_.setExportButtonVisible(false);
    if (!parts_.letMessageLoopRun())
        return Outcome::Abandoned;

    const ExportSelection selection = parts_.selection();
    const Statement statement = substituteQuery(query, selection.period, selection.clientKeyList);
    if (!statement.ok)
        return notStarted(statement.message + QLatin1Char(' ') + nothingSent, statement.details);

    // A first pass over the rows finds every value that cannot travel before the server has
    // seen a single record; the rows are read again to send them, never held.
    if (!checkRows(statement.text))
        return Outcome::NotStarted;
    std::optional<PayrollQuery> result(std::in_place, database_);
    if (!runStatement(*result, statement.text))
        return Outcome::NotStarted;

    view_.showWindow();
    view_.setOkVisible(false);
    const qint64 upper = reccount == countLines ? linesFound_ : reccount;
    view_.setMeterBounds(1, int(qBound<qint64>(qint64(INT_MIN), upper, qint64(INT_MAX))));
    qint64 lineCounter = 0;
    const int columnCount = result->columnCount();

    ServerAnswer answer = parts_.execute(
        ServerCallLine::forRecord(openingRecord(selection.clientKeyList, selection.period)));
    if (!answer.ok)
        return stopped(result,
                       QStringLiteral("Der Eröffnungssatz des Exports hat den ERP-Server nicht "
                                      "erreicht; der Export wurde abgebrochen."),
                       answer.error + QLatin1Char(' ') + answer.details);
    if (!answer.answer.isEmpty())
        return refused(result, answer.answer);
    openingTaken_ = true;

    for (;;) {
        if (!result->next()) {
            // A connection closed under the run ends the rows without an error of its own;
            // that is no end of the data.
            QString error = result->error();
            if (error.isEmpty() && !database_.isOpen())
                error = closedDatabase;
            if (!error.isEmpty())
                return stopped(result, readFailure, error);
            result.reset();
            view_.setOkVisible(true);
            parts_.setExportButtonVisible(true);
            return Outcome::Completed;
        }
        ++lineCounter;
        view_.setMeterPosition(int(qMin<qint64>(lineCounter, INT_MAX)));
        if (!parts_.letMessageLoopRun())
            return Outcome::Abandoned;
        // What ran in the message loop may have closed the database under the row.
        if (!database_.isOpen())
            return stopped(result, readFailure, closedDatabase);

        line_.begin();
        if (!writeRow(*result, columnCount, &line_))
            return stopped(result, problem_, problemDetails_);
        answer = parts_.execute(line_.finish());
        if (!answer.ok)
            return stopped(result,
                           QStringLiteral("Zeile %1 des Exports hat den ERP-Server nicht "
                                          "erreicht; der Export wurde abgebrochen.")
                               .arg(lineCounter),
                           answer.error + QLatin1Char(' ') + answer.details);
        if (!answer.answer.isEmpty())
            return refused(result, answer.answer);
        ++linesTaken_;
    }
}

bool ExportRun::runStatement(PayrollQuery &result, const QString &statement) {
    if (result.exec(statement))
        return true;
    notStarted(QStringLiteral("Die Exportabfrage konnte nicht ausgeführt werden. ") + nothingSent,
               result.error());
    return false;
}

bool ExportRun::checkRows(const QString &statement) {
    PayrollQuery rows(database_);
    if (!runStatement(rows, statement))
        return false;
    const int columnCount = rows.columnCount();
    linesFound_ = 0;
    while (rows.next()) {
        ++linesFound_;
        if (!writeRow(rows, columnCount, nullptr)) {
            notStarted(problem_ + QLatin1Char(' ') + nothingSent, problemDetails_);
            return false;
        }
    }
    if (!rows.error().isEmpty()) {
        notStarted(QStringLiteral("Beim Lesen der Lohndaten ist ein Fehler aufgetreten. ") +
                       nothingSent,
                   rows.error());
        return false;
    }
    return true;
}

bool ExportRun::writeRow(const PayrollQuery &row, int columnCount, ServerCallLine *line) {
    writer_.begin(line);
    for (int column = 0; column < columnCount; ++column) {
        if (writer_.add(row.value(column)))
            continue;
        const QString employee =
            columnCount > employeeColumn ? generalText(row.value(employeeColumn)) : QString();
        problem_ = QStringLiteral("Der Wert in der Spalte „%1“ bei DN-Nr. %2 %3. Ein solcher "
                                  "Wert kann nicht an den ERP-Server gesendet werden.")
                       .arg(heading(column), employee, writer_.problem());
        problemDetails_ =
            QStringLiteral("Spalte %1, Wert: %2").arg(column + 1).arg(writer_.problemValue());
        return false;
    }
    return true;
}

ExportRun::Outcome ExportRun::notStarted(const QString &text, const QString &details) {
    tell(text, details);
    parts_.setExportButtonVisible(true);
    return Outcome::NotStarted;
}

ExportRun::Outcome ExportRun::refused(std::optional<PayrollQuery> &result, const QString &answer) {
    result.reset();
    lastMessage_ = answer;
    messages_.tell(answer);
    view_.hideWindow();
    return Outcome::Refused;
}

ExportRun::Outcome ExportRun::stopped(std::optional<PayrollQuery> &result, const QString &text,
                                      const QString &details) {
    // As after a refusal: the export button stays hidden, because starting again would send
    // the records the server already took a second time.
    result.reset();
    tell(text + QLatin1Char(' ') + takenText(), details);
    view_.hideWindow();
    return Outcome::Stopped;
}

QString ExportRun::takenText() const {
    if (!openingTaken_)
        return QStringLiteral("Der ERP-Server hat keinen Datensatz übernommen.");
    if (linesTaken_ == 1)
        return QStringLiteral("Der ERP-Server hat den Eröffnungssatz und 1 Zeile übernommen.");
    return QStringLiteral("Der ERP-Server hat den Eröffnungssatz und %1 Zeilen übernommen.")
        .arg(linesTaken_);
}

void ExportRun::tell(const QString &text, const QString &details) {
    lastMessage_ = text;
    messages_.tell(text, QString(), details);
}
