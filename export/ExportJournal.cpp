#include "export/ExportJournal.h"

#include "core/PayrollQuery.h"
#include "core/QueryFile.h"
#include "core/Session.h"
#include "gateway/MsmClient.h"
#include "gateway/ServerProfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
// The result columns the totals read (the export query's 19 columns).
constexpr int clientColumn = 0;
constexpr int employeeColumn = 1;
constexpr int wageTypeColumn = 14;
constexpr int countColumn = 15;
constexpr int amountColumn = 17;

const QString timeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString ended = QStringLiteral("begonnen, nicht beendet");
const QString notAFile = QStringLiteral("keine gewöhnliche Datei");
const QString tooLarge = QStringLiteral("größer als 16 MiB, kein Exportjournal");
constexpr qint64 journalSizeLimit = 16 * 1024 * 1024;

QString utcOffset(const QDateTime &time) {
    const int minutes = time.offsetFromUtc() / 60;
    return QStringLiteral("UTC%1%2:%3")
        .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(qAbs(minutes) / 60, 2, 10, QLatin1Char('0'))
        .arg(qAbs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

// How many records the journal's "Ungewiss" names: "Zeile 120" one, "Zeile 120 bis 300" the
// records from the first to the last.
qint64 uncertainRecords(const QString &value) {
    static const QRegularExpression range(QStringLiteral(R"(^Zeile (\d+) bis (\d+)$)"));
    const QRegularExpressionMatch match = range.match(value);
    if (!match.hasMatch())
        return 1;
    return qMax<qint64>(1, match.captured(2).toLongLong() - match.captured(1).toLongLong() + 1);
}

// A piece of a file name: letters and digits only, never a path.
QString namePart(const QString &text) {
    QString part;
    for (const QChar c : text.left(24))
        part += c.isLetterOrNumber() && c.unicode() < 128 ? c : QLatin1Char('_');
    return part.isEmpty() ? QStringLiteral("_") : part;
}

void appendField(QByteArray &out, const QString &field) {
    const bool quote = field.contains(QLatin1Char(';')) || field.contains(QLatin1Char('"')) ||
                       field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                       field.startsWith(QLatin1Char(' ')) || field.endsWith(QLatin1Char(' '));
    if (!quote) {
        out += field.toUtf8();
        return;
    }
    QString doubled = field;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    out += '"' + doubled.toUtf8() + '"';
}

QString serverOf(const LogonRecord &logon) {
    if (const auto *msm = dynamic_cast<const MsmClient *>(logon.connection.get()))
        return msm->host() + QLatin1Char(':') + msm->port();
    return logon.ConnectionString;
}

bool syncToDisk(QFile &file) {
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}
} // namespace

QString outcomeText(ExportOutcome outcome) {
    switch (outcome) {
    case ExportOutcome::Completed:
        return QStringLiteral("abgeschlossen");
    case ExportOutcome::Refused:
        return QStringLiteral("abgelehnt");
    case ExportOutcome::Stopped:
        return QStringLiteral("abgebrochen");
    case ExportOutcome::NotStarted:
        return QStringLiteral("nicht begonnen");
    case ExportOutcome::Abandoned:
        return QStringLiteral("Programm beendet");
    }
    return QString();
}

ExportJournal::ExportJournal(const Session &session)
    : session_(session) {}

ExportJournal::~ExportJournal() = default;

QString ExportJournal::defaultDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/KORVEX/kwp-import/journal");
}

QString ExportJournal::directoryOf(const Session &session) {
    return session.journalDirectory.isEmpty() ? defaultDirectory() : session.journalDirectory;
}

void ExportJournal::write(std::initializer_list<QString> fields) {
    bool first = true;
    for (const QString &field : fields) {
        if (!first)
            buffer_ += ';';
        first = false;
        appendField(buffer_, field);
    }
    buffer_ += "\r\n";
}

bool ExportJournal::flush() {
    const bool written = file_.write(buffer_) == buffer_.size() && syncToDisk(file_);
    buffer_.clear();
    if (!written && writeError_.isEmpty())
        writeError_ = file_.errorString();
    return written;
}

bool ExportJournal::begin(const ExportSelection &selection, const QString &query, QString *error) {
    file_.close();
    totals_ = ExportTotals(regionalLocale());
    uncertainLine_.clear();
    writeError_.clear();
    buffer_.clear();

    const LogonRecord &logon = session_.gateway.logon;
    const QDateTime begun = now();
    const QString directory = directoryOf(session_);
    const QString stem = QStringLiteral("%1_P%2_F%3")
                             .arg(begun.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz")),
                                  namePart(selection.period), namePart(logon.CompanyNo));
    const auto cannot = [&](const QString &why) {
        *error = QStringLiteral("Das Exportjournal kann im Ordner \u201E%1\u201C nicht angelegt "
                                "werden (%2). Ohne Journal wird nicht exportiert; bitte den "
                                "Ordner unter [Export] JournalDirectory der Einstellungsdatei "
                                "prüfen.")
                     .arg(QDir::toNativeSeparators(directory), why);
        path_.clear();
        return false;
    };
    if (!QDir().mkpath(directory))
        return cannot(QStringLiteral("der Ordner kann nicht angelegt werden"));
    // Never overwritten: a second run in the same millisecond gets a number of its own.
    for (int n = 1; n < 1000; ++n) {
        path_ = QDir(directory).filePath(n == 1 ? stem + QStringLiteral(".csv")
                                                : QStringLiteral("%1_%2.csv").arg(stem).arg(n));
        file_.setFileName(path_);
        if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !file_.exists())
            break;
    }
    if (!file_.isOpen())
        return cannot(file_.errorString());

    buffer_ += "\xEF\xBB\xBF"; // UTF-8 byte order mark
    write({QStringLiteral("Abschnitt"), QStringLiteral("Feld"), QStringLiteral("Wert")});
    const auto head = [this](const char *field, const QString &value) {
        write({QStringLiteral("Kopf"), QString::fromUtf8(field), value});
    };
    head("Format", QStringLiteral("KWP-Import Exportjournal 1"));
    head("Beginn", begun.toString(timeFormat));
    head("Zeitzone", utcOffset(begun));
    head("Arbeitsplatz", QSysInfo::machineHostName());
    head("Benutzer-ID", logon.UserId);
    head("Benutzername", logon.UserName);
    head("Firma", logon.CompanyNo);
    head("Filiale", logon.BranchNo);
    head("Serverprofil", logon.ProfileName);
    head("Serverart", serverKindText(logon.ServerKind));
    head("Server", serverOf(logon));
    head("Periode", selection.period);
    head("Mandanten", selection.clientKeyList);
    head("Abfragedatei",
         QDir::toNativeSeparators(QDir::current().absoluteFilePath(QLatin1String(queryFileName))));
    head("Abfrage SHA-256",
         QString::fromLatin1(
             QCryptographicHash::hash(query.toUtf8(), QCryptographicHash::Sha256).toHex()));
    head("Programmversion", QStringLiteral(KWP_VERSION));
    if (!flush()) {
        *error = QStringLiteral("Das Exportjournal \u201E%1\u201C kann nicht geschrieben werden "
                                "(%2). Ohne Journal wird nicht exportiert.")
                     .arg(QDir::toNativeSeparators(path_), writeError_);
        writeError_.clear();
        file_.close();
        return false;
    }
    return true;
}

void ExportJournal::lineTaken(const ReportRow &row) {
    totals_.add(row.value(clientColumn), row.value(wageTypeColumn), row.value(countColumn),
                row.value(amountColumn));
}

void ExportJournal::lineUncertain(const ReportRow &row) {
    const auto text = [&row](int column) { return generalText(row.value(column)); };
    uncertainLine_ = QStringLiteral("Mandant %1, DN-Nr. %2, L.Art. %3, Anz. %4, Betrag %5")
                         .arg(text(clientColumn), text(employeeColumn), text(wageTypeColumn),
                              text(countColumn), text(amountColumn));
}

void ExportJournal::end(const ExportEnd &end) {
    if (!file_.isOpen())
        return;
    write({QStringLiteral("Summen"), QStringLiteral("Mandant"), QStringLiteral("L.Art."),
           QStringLiteral("Zeilen"), QStringLiteral("Anz."), QStringLiteral("Betrag")});
    for (const auto &[key, sum] : totals_.entries())
        write({QStringLiteral("Summe"), key.client, key.wageType, QString::number(sum.lines),
               totals_.text(sum.count), totals_.text(sum.amount)});
    const ExportTotals::Sum total = totals_.total();
    write({QStringLiteral("Gesamt"), QString(), QString(), QString::number(total.lines),
           totals_.text(total.count), totals_.text(total.amount)});

    const auto field = [this](const char *name, const QString &value) {
        write({QStringLiteral("Ende"), QString::fromUtf8(name), value});
    };
    const auto record = [](qint64 line) {
        return line == 0 ? QStringLiteral("Eröffnungssatz") : QStringLiteral("Zeile %1").arg(line);
    };
    field("Ergebnis", outcomeText(end.outcome));
    field("Sätze übernommen", QString::number(end.recordsTaken()));
    field("Eröffnungssatz übernommen",
          end.openingTaken ? QStringLiteral("ja") : QStringLiteral("nein"));
    field("Zeilen übernommen", QString::number(end.linesTaken));
    const qint64 uncertainLast = end.stoppedAt + end.recordsUncertain() - 1;
    field("Ungewiss",
          !end.uncertain ? QString()
          : uncertainLast > end.stoppedAt
              ? QStringLiteral("%1 bis %2").arg(record(end.stoppedAt)).arg(uncertainLast)
              : record(end.stoppedAt));
    field("Ungewisse Zeile", end.uncertain ? uncertainLine_ : QString());
    field("Angehalten bei", end.stoppedAt >= 0 ? record(end.stoppedAt) : QString());
    field("Zeilen der Abfrage", end.linesFound >= 0 ? QString::number(end.linesFound) : QString());
    field("Meldung", end.message);
    field("Details", end.details);
    field("Ende", now().toString(timeFormat));
    if (!flush())
        writeError_ = QStringLiteral("Das Ende des Exportjournals \u201E%1\u201C konnte nicht "
                                     "geschrieben werden (%2); das Journal ist unvollständig.")
                          .arg(QDir::toNativeSeparators(path_), writeError_);
    file_.close();
}

QList<QStringList> readJournalRecords(const QString &path, QString *error) {
    QList<QStringList> records;
    // A journal holds one run's totals; a folder entry that is a device, a pipe or a huge file
    // is no journal and is never read to its end.
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = notAFile;
        return records;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return records;
    }
    const QByteArray bytes = file.read(journalSizeLimit + 1);
    if (bytes.size() > journalSizeLimit) {
        if (error)
            *error = tooLarge;
        return records;
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else
                quoted = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(';')) {
            fields << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty())
        records << (fields << field);
    return records;
}

QList<JournalSummary> recentJournals(const QString &directory, int count) {
    QStringList names = QDir(directory).entryList(
        {QStringLiteral("[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]_*_P*_F*.csv")}, QDir::Files,
        QDir::Name);
    names.removeIf([&directory](const QString &name) {
        return !QFileInfo(QDir(directory).filePath(name)).isFile();
    });
    names = names.mid(qMax<qsizetype>(0, names.size() - count));
    QList<JournalSummary> summaries;
    for (const QString &name : names) {
        JournalSummary summary;
        summary.path = QDir(directory).filePath(name);
        summary.outcome = ended;
        QString userId, userName, uncertain, error;
        const QList<QStringList> records = readJournalRecords(summary.path, &error);
        if (!error.isEmpty())
            summary.outcome = QStringLiteral("nicht gelesen: ") + error;
        for (const QStringList &record : records) {
            if (record.size() < 3)
                continue;
            const QString &section = record[0];
            const QString &key = record[1];
            const QString &value = record[2];
            if (section == QLatin1String("Kopf")) {
                if (key == QLatin1String("Beginn"))
                    summary.begun = value;
                else if (key == QLatin1String("Benutzer-ID"))
                    userId = value;
                else if (key == QLatin1String("Benutzername"))
                    userName = value;
                else if (key == QLatin1String("Periode"))
                    summary.period = value;
            } else if (section == QLatin1String("Ende")) {
                if (key == QLatin1String("Ergebnis"))
                    summary.outcome = value;
                else if (key == QStringLiteral("Sätze übernommen"))
                    summary.recordsTaken = value;
                else if (key == QLatin1String("Ungewiss"))
                    uncertain = value;
            }
        }
        summary.user = (userId + QLatin1Char(' ') + userName).trimmed();
        if (!uncertain.isEmpty())
            summary.recordsTaken +=
                QStringLiteral(" +%1 ungewiss").arg(uncertainRecords(uncertain));
        summaries << summary;
    }
    return summaries;
}
