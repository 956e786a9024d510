#include "export/ExportRun.h"

#include "common/UserMessages.h"
#include "core/Conversions.h"
#include "core/PayrollTexts.h"
#include "core/QueryFile.h"
#include "export/ExportOrigin.h"
#include "export/ExportProgressView.h"
#include "export/ExportRecords.h"
#include "export/LineRecordWriter.h"
#include "export/RecordCheck.h"

#include "core/PayrollQuery.h"
#include "core/Preview.h"

#include "gateway/LineChannel.h"

#include <QUuid>

#include <optional>
#include <utility>
#include <vector>

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

// The query's current row for the report.
class QueryRow : public ReportRow {
public:
    explicit QueryRow(const PayrollQuery &query)
        : query_(query) {}
    QVariant value(int column) const override { return query_.value(column); }

private:
    const PayrollQuery &query_;
};

const QString nothingSent = QStringLiteral("Es wurde nichts an den ERP-Server gesendet.");
const QString readFailure = QStringLiteral("Beim Lesen der Lohndaten ist ein Fehler aufgetreten; "
                                           "der Export wurde abgebrochen.");
const QString closedDatabase =
    QStringLiteral("Die Verbindung zur Lohndatenbank wurde während des Exports geschlossen.");
} // namespace

ExportRun::ExportRun(const RecordCheck &check, ExportProgressView &view, ExportOrigin &origin,
                     UserMessages &messages, Parts parts)
    : check_(check)
    , view_(view)
    , origin_(origin)
    , messages_(messages)
    , parts_(std::move(parts))
    , locale_(regionalLocale())
    , writer_(check, locale_) {}

ExportRun::Outcome ExportRun::run(const QSqlDatabase &database, const QString &query,
                                  qint64 reccount) {
    // The hidden export button keeps a second run out; this guards the code path as well.
    if (running_)
        return Outcome::NotStarted;
    running_ = true;
    reporting_ = false;
    database_ = database;
    end_ = ExportEnd();
    lineCounter_ = 0;
    linesFound_ = -1;
    lastMessage_.clear();
    const Outcome outcome = execute(query, reccount);
    endReport(outcome);
    running_ = false;
    database_ = QSqlDatabase();
    return outcome;
}

void ExportRun::endReport(Outcome outcome) {
    end_.outcome = outcome;
    end_.linesFound = linesFound_;
    if (outcome == Outcome::Abandoned && end_.message.isEmpty())
        end_.message = QStringLiteral("Das Programm wurde während des Exports beendet.");
    if (reporting_ && parts_.report)
        parts_.report->end(end_);
    reporting_ = false;
}

ExportRun::Outcome ExportRun::execute(const QString &query, qint64 reccount) {
    origin_.setExportButtonVisible(false);
    if (!origin_.letMessageLoopRun())
        return Outcome::Abandoned;

    const ExportSelection selection = origin_.selection();
    if (parts_.report) {
        QString error;
        if (!parts_.report->begin(selection, query, &error))
            return notStarted(error);
        reporting_ = true;
    }
    if (const QString problem = regionalSettingsProblem(locale_); !problem.isEmpty())
        return notStarted(problem + QLatin1Char(' ') + nothingSent);
    const Statement statement = substituteQuery(query, selection.period, selection.clientKeyList);
    if (!statement.ok)
        return notStarted(statement.message + QLatin1Char(' ') + nothingSent, statement.details);
    const QString opening =
        ServerCallLine::forRecord(openingRecord(selection.clientKeyList, selection.period));
    if (opening.size() > parts_.maxLineLength)
        return notStarted(QStringLiteral("Der Eröffnungssatz (Mandantenliste und Periode) ist "
                                         "länger als die %1 Zeichen, die der ERP-Server in einer "
                                         "Zeile annimmt; bitte weniger Mandanten markieren. ")
                              .arg(parts_.maxLineLength) +
                          nothingSent);

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
    const int columnCount = result->columnCount();

    if (ErpConnection *connection = parts_.connection ? parts_.connection() : nullptr;
        connection && parts_.recordsInFlight > 0)
        if (LineChannel *channel = connection->flightChannel())
            return executeInFlight(result, opening, *connection, *channel);

    ServerAnswer answer = parts_.execute(opening);
    if (!answer.ok)
        return stopped(result,
                       answer.mayHaveRun
                           ? QStringLiteral("Auf den Eröffnungssatz des Exports kam keine Antwort "
                                            "vom ERP-Server; der Export wurde abgebrochen.")
                           : QStringLiteral("Der Eröffnungssatz des Exports hat den ERP-Server "
                                            "nicht erreicht; der Export wurde abgebrochen."),
                       answer);
    if (!answer.answer.isEmpty())
        return refused(result, answer.answer);
    end_.openingTaken = true;

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
            origin_.setExportButtonVisible(true);
            return Outcome::Completed;
        }
        ++lineCounter_;
        view_.setMeterPosition(int(qMin<qint64>(lineCounter_, INT_MAX)));
        if (!origin_.letMessageLoopRun())
            return Outcome::Abandoned;
        // What ran in the message loop may have closed the database under the row.
        if (!database_.isOpen())
            return stopped(result, readFailure, closedDatabase);

        line_.begin();
        if (!writeRow(*result, columnCount, &line_))
            return stopped(result, problem_, problemDetails_);
        answer = parts_.execute(line_.finish());
        if (!answer.ok) {
            if (answer.mayHaveRun && parts_.report)
                parts_.report->lineUncertain(QueryRow(*result));
            return stopped(result,
                           (answer.mayHaveRun
                                ? QStringLiteral("Auf Zeile %1 des Exports kam keine Antwort vom "
                                                 "ERP-Server; der Export wurde abgebrochen.")
                                : QStringLiteral("Zeile %1 des Exports hat den ERP-Server nicht "
                                                 "erreicht; der Export wurde abgebrochen."))
                               .arg(lineCounter_),
                           answer);
        }
        if (!answer.answer.isEmpty())
            return refused(result, answer.answer);
        ++end_.linesTaken;
        if (parts_.report)
            parts_.report->lineTaken(QueryRow(*result));
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
    // The server refuses every line record of another width, after the opening record.
    if (columnCount != queryColumnCount) {
        notStarted(PayrollTexts::queryColumns(columnCount, queryColumnCount) + QLatin1Char(' ') +
                   nothingSent);
        return false;
    }
    qint64 found = 0;
    while (rows.next()) {
        ++found;
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
    linesFound_ = found;
    return true;
}

bool ExportRun::writeRow(const PayrollQuery &row, int columnCount, ServerCallLine *line) {
    writer_.begin(line);
    // The value that takes most of the line is the one to name when the line is too long.
    int longest = 0;
    qsizetype longestSize = -1;
    qsizetype recordLength = 0;
    for (int column = 0; column < columnCount; ++column) {
        const qsizetype before = line ? line->text().size() : 0;
        if (!writer_.add(row.value(column)))
            return refuseRow(row, columnCount, column, writer_.problem());
        const qsizetype size = line ? line->text().size() - before : writer_.lastText().size();
        recordLength += writer_.lastText().size() + 1;
        if (size > longestSize) {
            longestSize = size;
            longest = column;
        }
    }
    if (!line) {
        if (ServerCallLine::longestLineFor(recordLength) <= parts_.maxLineLength)
            return true;
        checkedLine_.begin();
        return writeRow(row, columnCount, &checkedLine_);
    }
    if (line->finishedLength() <= parts_.maxLineLength)
        return true;
    return refuseRow(row, columnCount, longest,
                     QStringLiteral("macht die Zeile an den ERP-Server %1 Zeichen lang; er nimmt "
                                    "höchstens %2 an")
                         .arg(line->finishedLength())
                         .arg(parts_.maxLineLength));
}

bool ExportRun::refuseRow(const PayrollQuery &row, int columnCount, int column,
                          const QString &problem) {
    const QString employee =
        columnCount > employeeColumn ? generalText(row.value(employeeColumn)) : QString();
    problem_ = QStringLiteral("Der Wert in der Spalte „%1“ bei DN-Nr. %2 %3. Ein solcher "
                              "Wert kann nicht an den ERP-Server gesendet werden.")
                   .arg(heading(column), employee, problem);
    problemDetails_ = QStringLiteral("Spalte %1, Wert: %2")
                          .arg(column + 1)
                          .arg(generalText(row.value(column), locale_).left(200));
    return false;
}

ExportRun::Outcome ExportRun::notStarted(const QString &text, const QString &details) {
    tell(text, details);
    origin_.setExportButtonVisible(true);
    return Outcome::NotStarted;
}

ExportRun::Outcome ExportRun::refused(std::optional<PayrollQuery> &result, const QString &answer) {
    result.reset();
    end_.stoppedAt = lineCounter_;
    end_.message = answer;
    lastMessage_ = answer;
    messages_.tell(answer);
    view_.hideWindow();
    return Outcome::Refused;
}

ExportRun::Outcome ExportRun::stopped(std::optional<PayrollQuery> &result, const QString &text,
                                      const ServerAnswer &answer) {
    end_.uncertain = answer.mayHaveRun;
    return stopped(result, text, answer.error + QLatin1Char(' ') + answer.details);
}

ExportRun::Outcome ExportRun::stopped(std::optional<PayrollQuery> &result, const QString &text,
                                      const QString &details) {
    // As after a refusal: the export button stays hidden, because starting again would send
    // the records the server already took a second time.
    result.reset();
    end_.stoppedAt = lineCounter_;
    tell(text + QLatin1Char(' ') + takenText(), details);
    view_.hideWindow();
    return Outcome::Stopped;
}

QString ExportRun::takenText() const {
    QString text;
    if (!end_.openingTaken)
        text = QStringLiteral("Der ERP-Server hat keinen Datensatz übernommen.");
    else if (end_.linesTaken == 1)
        text = QStringLiteral("Der ERP-Server hat den Eröffnungssatz und 1 Zeile übernommen.");
    else
        text = QStringLiteral("Der ERP-Server hat den Eröffnungssatz und %1 Zeilen übernommen.")
                   .arg(end_.linesTaken);
    if (!end_.uncertain)
        return text;
    if (end_.uncertainLast > lineCounter_)
        return text +
               QStringLiteral(" Die Zeilen %1 bis %2 wurden vollständig gesendet, die Antworten "
                              "blieben aus: ob der ERP-Server sie übernommen hat, ist nicht "
                              "bekannt. Bitte vor einem neuen Export auf dem ERP-Server prüfen; "
                              "es wird nichts erneut gesendet.")
                   .arg(lineCounter_)
                   .arg(end_.uncertainLast);
    const QString record = lineCounter_ == 0 ? QStringLiteral("Der Eröffnungssatz")
                                             : QStringLiteral("Zeile %1").arg(lineCounter_);
    return text + QLatin1Char(' ') + record +
           QStringLiteral(" wurde vollständig gesendet, die Antwort blieb aus: ob der ERP-Server "
                          "sie übernommen hat, ist nicht bekannt. Bitte vor einem neuen Export "
                          "auf dem ERP-Server prüfen; es wird nichts erneut gesendet.");
}

void ExportRun::tell(const QString &text, const QString &details) {
    lastMessage_ = text;
    end_.message = text;
    end_.details = details;
    messages_.tell(text, QString(), details);
}

// A row whose record is in flight, held until its answer comes.
struct ExportRun::HeldRow : ReportRow {
    QList<QVariant> values;
    QVariant value(int column) const override { return values.value(column); }
};

ExportRun::Outcome ExportRun::executeInFlight(std::optional<PayrollQuery> &result,
                                              const QString &opening, ErpConnection &connection,
                                              LineChannel &channel) {
    const bool capture = connection.answersByOutput();
    const QByteArray runId = QUuid::createUuid().toByteArray(QUuid::Id128);
    const qint64 window = parts_.recordsInFlight;
    // Record n is held in held[n % window]: memory stays flat however many rows there are.
    std::vector<HeldRow> held(size_t(window) + 1);
    const auto heldRow = [&](qint64 number) -> HeldRow & { return held[size_t(number % window)]; };
    const int columnCount = result->columnCount();
    QString text;
    qint64 sent = 0;     // line records sent
    qint64 answered = 0; // line records answered
    bool rowsEnded = false;
    bool abandoned = false;
    bool localFailure = false; // the payroll database or a value stopped the sending
    QString failureText, failureDetails;
    qint64 failureAt = 0;
    qint64 refusedAt = -1; // the record the server refused, or whose line failed there
    ServerAnswer refusal;

    // The answers of the records in flight were lost: a fresh connection of the same log-on
    // asks the service how far the run got, which also stops it there.
    const auto lost = [&](const ServerAnswer &failure) -> Outcome {
        if (parts_.recordFailed)
            parts_.recordFailed(failure);
        QString why;
        QString progress;
        bool known = false;
        if (std::unique_ptr<ErpConnection> fresh = connection.reopen(&why)) {
            if (LineChannel *freshChannel = fresh->flightChannel()) {
                known = freshChannel->progress(runId, progress) && !progress.isEmpty();
                if (!known)
                    why =
                        freshChannel->errorText() + QLatin1Char(' ') + freshChannel->errorDetails();
            }
        }
        qint64 last = -1;
        bool begun = true;
        if (known) {
            bool ok = false;
            last = progress.section(QLatin1Char('`'), 0, 0).toLongLong(&ok);
            begun = !progress.section(QLatin1Char('`'), 1, 1).isEmpty();
            known = ok && last >= -1 && last <= sent;
        }
        if (!known) {
            // Without the service's word only what was answered is certain, and every record
            // sent after it may have run: the service goes on with what it received.
            last = end_.openingTaken ? answered : -1;
            begun = true;
            end_.uncertainLast = sent;
        }
        end_.openingTaken = last >= 0;
        for (qint64 n = answered + 1; n <= last; ++n) {
            ++end_.linesTaken;
            if (parts_.report)
                parts_.report->lineTaken(heldRow(n));
        }
        if (rowsEnded && last == sent && !begun) {
            result.reset();
            view_.setOkVisible(true);
            origin_.setExportButtonVisible(true);
            return Outcome::Completed;
        }
        lineCounter_ = last + 1;
        if (begun && lineCounter_ > 0 && lineCounter_ <= sent && parts_.report)
            parts_.report->lineUncertain(heldRow(lineCounter_));
        ServerAnswer stop = failure;
        stop.mayHaveRun = begun;
        if (!known)
            stop.details += QStringLiteral(" Stand des Laufs nicht lesbar: %1").arg(why);
        const QString record = lineCounter_ == 0
                                   ? QStringLiteral("Der Eröffnungssatz des Exports")
                                   : QStringLiteral("Zeile %1 des Exports").arg(lineCounter_);
        const QString recordOn = lineCounter_ == 0
                                     ? QStringLiteral("den Eröffnungssatz des Exports")
                                     : QStringLiteral("Zeile %1 des Exports").arg(lineCounter_);
        return stopped(result,
                       begun ? QStringLiteral("Auf %1 kam keine Antwort vom ERP-Server; der "
                                              "Export wurde abgebrochen.")
                                   .arg(recordOn)
                             : QStringLiteral("%1 hat den ERP-Server nicht erreicht; der Export "
                                              "wurde abgebrochen.")
                                   .arg(record),
                       stop);
    };
    // The opening record is answered before any line record leaves.
    bool ok =
        channel.sendRecord(runId, 0, opening, capture) && channel.takeRecordAnswer(capture, text);
    ServerAnswer answer = connection.flightAnswer(ok, text);
    if (!ok) {
        if (answer.mayHaveRun || !channel.isOpen())
            return lost(answer);
        if (parts_.recordFailed)
            parts_.recordFailed(answer);
        return stopped(result,
                       QStringLiteral("Der Eröffnungssatz des Exports hat den ERP-Server nicht "
                                      "erreicht; der Export wurde abgebrochen."),
                       answer);
    }
    if (!answer.answer.isEmpty())
        return refused(result, answer.answer);
    end_.openingTaken = true;

    for (;;) {
        // The window is refilled once half of it was answered: records leave in batches.
        const bool refill = sent - answered <= window / 2;
        while (refill && refusedAt < 0 && !rowsEnded && !abandoned && !localFailure &&
               sent - answered < window) {
            if (!result->next()) {
                QString error = result->error();
                if (error.isEmpty() && !database_.isOpen())
                    error = closedDatabase;
                if (error.isEmpty()) {
                    rowsEnded = true;
                } else {
                    localFailure = true;
                    failureAt = sent;
                    failureText = readFailure;
                    failureDetails = error;
                }
                break;
            }
            if (!origin_.letMessageLoopRun()) {
                abandoned = true;
                break;
            }
            failureAt = sent + 1;
            if (!database_.isOpen()) {
                localFailure = true;
                failureText = readFailure;
                failureDetails = closedDatabase;
                break;
            }
            line_.begin();
            if (!writeRow(*result, columnCount, &line_)) {
                localFailure = true;
                failureText = problem_;
                failureDetails = problemDetails_;
                break;
            }
            ++sent;
            HeldRow &row = heldRow(sent);
            row.values.resize(columnCount);
            for (int column = 0; column < columnCount; ++column)
                row.values[column] = result->value(column);
            if (!channel.sendRecord(runId, sent, line_.finish(), capture))
                return lost(connection.flightAnswer(false, text));
        }
        if (answered == sent)
            break;
        ok = channel.takeRecordAnswer(capture, text);
        answer = connection.flightAnswer(ok, text);
        ++answered;
        if (!ok) {
            if (channel.errorCode() == LineChannel::Skipped && refusedAt >= 0)
                continue;
            if (!channel.isOpen() || answer.mayHaveRun) {
                // After a refusal the service runs nothing more: the rest were skips.
                if (refusedAt >= 0)
                    break;
                --answered;
                return lost(answer);
            }
            // The record's line failed on the server, which ran nothing after it.
            if (refusedAt < 0) {
                refusedAt = answered;
                refusal = answer;
            }
            continue;
        }
        if (!answer.answer.isEmpty()) {
            if (refusedAt < 0) {
                refusedAt = answered;
                refusal = answer;
            }
            continue;
        }
        ++end_.linesTaken;
        if (parts_.report)
            parts_.report->lineTaken(heldRow(answered));
        view_.setMeterPosition(int(qMin<qint64>(answered, INT_MAX)));
    }

    // What comes first in the order of the records decides, as in a run one at a time.
    if (refusedAt >= 0) {
        lineCounter_ = refusedAt;
        if (refusal.ok)
            return refused(result, refusal.answer);
        if (parts_.recordFailed)
            parts_.recordFailed(refusal);
        return stopped(result,
                       QStringLiteral("Zeile %1 des Exports hat den ERP-Server nicht erreicht; "
                                      "der Export wurde abgebrochen.")
                           .arg(lineCounter_),
                       refusal);
    }
    lineCounter_ = failureAt;
    if (abandoned)
        return Outcome::Abandoned;
    if (localFailure)
        return stopped(result, failureText, failureDetails);
    result.reset();
    view_.setOkVisible(true);
    origin_.setExportButtonVisible(true);
    return Outcome::Completed;
}
