#pragma once

#include "export/ExportReport.h"
#include "export/ExportTotals.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Session;

// The journal of export runs: one file per run that proves, weeks later, what was carried
// into the ERP server, by whom, and whether it matches the payroll system's own totals.
//
// A file is semicolon-separated text (UTF-8 with a byte order mark, so that a spreadsheet
// takes its umlauts), one record per line whose first field names its section:
//   Kopf;<field>;<value>            written and flushed before the first record is sent
//   Summen;Mandant;L.Art.;Zeilen;Anz.;Betrag   the totals' column headings
//   Summe;<client>;<wage type>;<lines>;<Anz.>;<Betrag>   per client and wage type
//   Gesamt;;;<lines>;<Anz.>;<Betrag>
//   Ende;<field>;<value>            written and flushed when the run is over
// Totals cover the lines the server took, in exact decimals and the regional number format.
// A journal without "Ende" lines belongs to a run that began and never ended (the program
// died). The fields are described in the README. Files are named
// "<yyyy-MM-dd_HH-mm-ss-zzz>_P<period>_F<company>.csv" (zzz: milliseconds, so that the names
// sort as the runs began) and never overwritten.
class ExportJournal : public ExportReport {
public:
    // Journals go to the session's journal directory, or defaultDirectory(). The head is
    // taken from the session when a run begins, so a new log-on between runs shows.
    explicit ExportJournal(const Session &session);
    ~ExportJournal() override;

    // "KORVEX/kwp-import/journal" in the user's data location (~/.local/share on Linux).
    static QString defaultDirectory();
    static QString directoryOf(const Session &session);

    // The file of the current or last run; empty before the first.
    QString path() const { return path_; }
    // Why writing the end failed (disk full, say), a German sentence; empty when it did not.
    QString writeError() const { return writeError_; }

    // The clock; tests pin it.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    bool begin(const ExportSelection &selection, const QString &query, QString *error) override;
    void lineTaken(const ReportRow &row) override;
    void lineUncertain(const ReportRow &row) override;
    void end(const ExportEnd &end) override;

private:
    void write(std::initializer_list<QString> fields);
    bool flush();

    const Session &session_;
    QFile file_;
    QString path_;
    QByteArray buffer_;
    ExportTotals totals_;
    QString uncertainLine_;
    QString writeError_;
};

// One run as its journal tells it, for `kwpctl journal`.
struct JournalSummary {
    QString path;
    QString begun; // "2024-03-15 14:30:12"
    QString user;  // user id and name
    QString period;
    QString outcome;      // as written, "begonnen, nicht beendet" or "nicht gelesen: " and why
    QString recordsTaken; // records the server took for certain; "+1 ungewiss" added when so
};

// The last `count` journals of the directory, oldest first.
QList<JournalSummary> recentJournals(const QString &directory, int count);

// The records of a journal file, each split into its fields (quoted fields may hold line
// breaks and semicolons). Reads only a regular file of at most 16 MiB; otherwise no records,
// and *error (when given) says why in German.
QList<QStringList> readJournalRecords(const QString &path, QString *error = nullptr);

// German names of the outcomes as the journal writes them.
QString outcomeText(ExportOutcome outcome);
