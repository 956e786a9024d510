#pragma once

#include <QString>

#include <QVariant>

// The values of one row, as a report reads them: the query's current row, or a row held
// while its record is in flight.
class ReportRow {
public:
    virtual ~ReportRow() = default;
    virtual QVariant value(int column) const = 0;
};

// What the user has chosen when the run starts: the marked clients and the period text.
struct ExportSelection {
    QString clientKeyList; // "3, 999, 1000"; "1000" alone when none is marked
    QString period;        // the period box's text, as chosen or typed
};

enum class ExportOutcome {
    Completed,  // every record taken; the export button is back
    Refused,    // the server refused a record; its message was shown
    Stopped,    // a failure after records were sent; the message says how many were taken
    NotStarted, // refused before anything was sent (period, query, a value that cannot
                // travel, regional settings, journal); the export button is back
    Abandoned,  // the program is ending: nothing further is sent or shown
};

// How a run ended, as far as the server's records go.
struct ExportEnd {
    ExportOutcome outcome = ExportOutcome::NotStarted;
    bool openingTaken = false;
    qint64 linesTaken = 0; // line records the server took for certain
    // The record after the last one taken went out whole and its answer was lost (a time-out,
    // a break): the server may have taken it. Nothing is sent again.
    bool uncertain = false;
    // The line record at which the run stopped (refused, failed, uncertain), 0 for the opening
    // record, -1 when it did not stop at a record.
    qint64 stoppedAt = -1;
    // The last record the server may have taken: stoppedAt, or a later one when records were
    // in flight behind it and the run's progress could not be read from the service.
    qint64 uncertainLast = -1;
    qint64 linesFound = -1; // rows of the checking pass; -1 when it did not run to the end
    QString message;        // what the user was told (the server's text or the reason)
    QString details;

    // The records the server took for certain, the opening record included.
    qint64 recordsTaken() const { return (openingTaken ? 1 : 0) + linesTaken; }
    // The records the server may have taken beyond those.
    qint64 recordsUncertain() const {
        return uncertain ? qMax(uncertainLast, stoppedAt) - stoppedAt + 1 : 0;
    }
};

// Whoever keeps account of a run; the run tells it, in this order: begin, any number of
// lineTaken, at most one lineUncertain, end. Calls come from the run's thread and must be
// cheap per line: nothing is written or flushed per line.
class ExportReport {
public:
    virtual ~ExportReport() = default;
    // Before any row is read or record sent, with the query text as read from its file.
    // False when the account cannot be kept; *error then says why in German, and the run sends
    // nothing.
    virtual bool begin(const ExportSelection &selection, const QString &query, QString *error) = 0;
    // The server took the line record of the current row.
    virtual void lineTaken(const ReportRow &row) = 0;
    // The line record of the current row went out whole; its answer was lost.
    virtual void lineUncertain(const ReportRow &row) = 0;
    // The run is over, whatever the outcome; only after a begin() that returned true.
    virtual void end(const ExportEnd &end) = 0;
};
