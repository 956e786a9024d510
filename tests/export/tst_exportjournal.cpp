#include "core/PayrollDatabase.h"
#include "export/ExportJournal.h"
#include "export/ExportRun.h"
#include "export/ExportWindowView.h"
#include "export/RecordCheck.h"
#include "tests/export/StandInExport.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace {
// Exact sums of the amounts the server took, worked out here on their German texts with a
// 128-bit integer in units of 10^-12, apart from the program's decimals.
using Units = __int128;
constexpr int fractionDigits = 12;

Units units(const QString &text) {
    if (text.isEmpty())
        return 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QStringList parts = text.mid(negative ? 1 : 0).split(QLatin1Char(','));
    const QString fraction = parts.value(1).leftJustified(fractionDigits, QLatin1Char('0'));
    Units value = 0;
    for (const QChar c : parts[0] + fraction)
        value = value * 10 + (c.unicode() - '0');
    return negative ? -value : value;
}

QString unitsText(Units value) {
    const bool negative = value < 0;
    if (negative)
        value = -value;
    QString digits;
    do {
        digits.prepend(QChar('0' + int(value % 10)));
        value /= 10;
    } while (value > 0);
    digits = digits.rightJustified(fractionDigits + 1, QLatin1Char('0'));
    QString fraction = digits.right(fractionDigits);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString text = digits.left(digits.size() - fractionDigits);
    if (!fraction.isEmpty())
        text += QLatin1Char(',') + fraction;
    return (negative && text != QLatin1String("0") ? QStringLiteral("-") : QString()) + text;
}

struct Sum {
    qint64 lines = 0;
    Units count = 0;
    Units amount = 0;
};

// The record a line carries (ServerCallLine), for records without control characters.
QString recordOf(const QString &line) {
    const QString head = QStringLiteral("S P0=$$WINKWP^BRKWPCOM(\"");
    const QString tail = QStringLiteral("\") W:$F($ZV,\"MSM\") P0");
    if (!line.startsWith(head) || !line.endsWith(tail))
        return QString();
    QString record = line.mid(head.size(), line.size() - head.size() - tail.size());
    return record.contains(QStringLiteral("\"_"))
               ? QString()
               : record.replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

using Failure = StandInConnection::Failure;
} // namespace

Q_DECLARE_METATYPE(Failure)

// The journal of export runs on a stand-in connection: whatever the outcome, what it says the
// server took is what the server ran, and its control totals are those of the records taken.
// That a real time-out or a killed serving process leaves the line uncertain: tst_exportrun.
class ExportJournalTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void journalAccountsForServer_data();
    void journalAccountsForServer();
    void journalNeverOverwritten();
    void noJournalNothingSent();
    void listingReadsOnlyJournalFiles();

private:
    ExportRun::Outcome runExport(ExportJournal &journal);
    QMap<QString, QString> section(const QString &path, const QString &name);

    std::unique_ptr<StandInExport> run_;
};

void ExportJournalTest::init() {
    run_ = std::make_unique<StandInExport>();
    // Many decimals and large values (kept as text by SQLite, read exactly), negative amounts,
    // NULLs; two clients and three wage types, in the query's order.
    const struct {
        int client, employee;
        const char *wageType, *count, *amount;
    } lines[] = {
        {3, 1, "100", "1.5", "'12345678901234567890.123456789'"},
        {3, 2, "100", "NULL", "-0.01"},
        {3, 3, "101", "3", "9999999999999.99"},
        {3, 4, "100", "-2.25", "-1234.5"},
        {3, 5, "101", "'0.000000001'", "NULL"},
        {999, 1, "105", "7", "0.1"},
    };
    for (const auto &line : lines)
        run_->payroll.addLine(line.client, line.employee,
                              {{"LA_ID", line.wageType},
                               {"Anzahl", QString::fromLatin1(line.count)},
                               {"Betrag", QString::fromLatin1(line.amount)}});
    QVERIFY2(run_->payroll.error().isEmpty(), qPrintable(run_->payroll.error()));
}

void ExportJournalTest::cleanup() {
    run_.reset();
}

ExportRun::Outcome ExportJournalTest::runExport(ExportJournal &journal) {
    run_->exporter.report = &journal;
    run_->exporter.maxLineLength = usableLineLength(run_->session.gateway.settings);
    return run_->run(ExportRun::countLines);
}

QMap<QString, QString> ExportJournalTest::section(const QString &path, const QString &name) {
    QMap<QString, QString> fields;
    for (const QStringList &record : readJournalRecords(path))
        if (record.value(0) == name)
            fields.insert(record.value(1), record.value(2));
    return fields;
}

void ExportJournalTest::journalAccountsForServer_data() {
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("at"); // the line the event happens at
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("certain"); // line records taken for certain
    QTest::addColumn<int>("ran"); // line records the server ran; -1: not even the opening record
    QTest::addColumn<bool>("uncertain");
    QTest::newRow("completed") << "" << 0 << "abgeschlossen" << 6 << 6 << false;
    QTest::newRow("refused at line 3") << "refuse" << 3 << "abgelehnt" << 2 << 3 << false;
    QTest::newRow("back-quote, nothing sent")
        << "back-quote" << 0 << "nicht begonnen" << 0 << -1 << false;
    QTest::newRow("answer lost, the line ran") << "lost" << 4 << "abgebrochen" << 3 << 4 << true;
    QTest::newRow("line failed") << "fail" << 4 << "abgebrochen" << 3 << 3 << false;
    QTest::newRow("connection dropped") << "drop" << 4 << "abgebrochen" << 3 << 3 << false;
    QTest::newRow("program closed") << "close" << 3 << "Programm beendet" << 2 << 2 << false;
}

void ExportJournalTest::journalAccountsForServer() {
    QFETCH(QString, event);
    QFETCH(int, at);
    QFETCH(QString, outcome);
    QFETCH(int, certain);
    QFETCH(int, ran);
    QFETCH(bool, uncertain);
    Session &session = run_->session;
    StandInConnection &server = *run_->server;
    const QHash<QString, Failure> failures{{QStringLiteral("refuse"), Failure::Refused},
                                           {QStringLiteral("lost"), Failure::LostAnswer},
                                           {QStringLiteral("fail"), Failure::FailedLine},
                                           {QStringLiteral("drop"), Failure::Dropped}};
    if (failures.contains(event))
        server.failAt(at + 1, failures[event], QStringLiteral("Lohnart gesperrt; ok?"));
    else if (event == QLatin1String("back-quote"))
        run_->payroll.addLine(3, 9, {{"DVerh", "'Ang.`x'"}});

    ExportJournal journal(session);
    QString midRun;
    run_->exporter.onLoop = [&](int turn) {
        if (turn == 2) {
            QFile file(journal.path());
            if (file.open(QIODevice::ReadOnly))
                midRun = QString::fromUtf8(file.readAll());
        }
        return !(turn == at && event == QLatin1String("close"));
    };
    runExport(journal);

    // Begun: the head is on disk before the first line goes; the end is not.
    if (ran > 0) {
        QVERIFY2(midRun.contains(QStringLiteral("Kopf;Beginn;")), qPrintable(midRun));
        QVERIFY(!midRun.contains(QStringLiteral("\nEnde;")));
    }
    const QString path = journal.path();
    QVERIFY(QFileInfo(path).fileName().endsWith(QStringLiteral("_P202403_F1.csv")));
    const QMap<QString, QString> head = section(path, QStringLiteral("Kopf"));
    QCOMPARE(head.value(QStringLiteral("Periode")), QStringLiteral("202403"));
    QCOMPARE(head.value(QStringLiteral("Mandanten")), QStringLiteral("3, 999, 1000"));
    QCOMPARE(head.value(QStringLiteral("Benutzer-ID")), QStringLiteral("DEMO"));
    QCOMPARE(head.value(QStringLiteral("Benutzername")), QStringLiteral("Demo Benutzer"));
    QCOMPARE(head.value(QStringLiteral("Serverprofil")), QStringLiteral("test"));
    QCOMPARE(head.value(QStringLiteral("Abfrage SHA-256")),
             QString::fromLatin1(
                 QCryptographicHash::hash(session.sqltext.toUtf8(), QCryptographicHash::Sha256)
                     .toHex()));

    // The end: what the server took, for certain and maybe.
    const QMap<QString, QString> end = section(path, QStringLiteral("Ende"));
    QCOMPARE(end.value(QStringLiteral("Ergebnis")), outcome);
    const int openingTaken = ran >= 0 ? 1 : 0;
    QCOMPARE(end.value(QStringLiteral("Sätze übernommen")),
             QString::number(openingTaken + certain));
    QCOMPARE(end.value(QStringLiteral("Zeilen übernommen")), QString::number(certain));
    QCOMPARE(end.value(QStringLiteral("Ungewiss")),
             uncertain ? QStringLiteral("Zeile %1").arg(at) : QString());
    if (uncertain) {
        QVERIFY(end.value(QStringLiteral("Ungewisse Zeile")).contains(QStringLiteral("DN-Nr. 4")));
        // Never "did not reach": the line went out.
        const QString told = end.value(QStringLiteral("Meldung"));
        QVERIFY2(told.contains(QStringLiteral("keine Antwort")) &&
                     told.contains(QStringLiteral("nicht bekannt")) &&
                     !told.contains(QStringLiteral("nicht erreicht")),
                 qPrintable(told));
    }
    if (event == QLatin1String("refuse"))
        QCOMPARE(end.value(QStringLiteral("Meldung")), QStringLiteral("Lohnart gesperrt; ok?"));
    QCOMPARE(server.ranLines.size(), ran + 1);

    // The control totals against the records the server took for certain.
    std::map<std::pair<QString, QString>, Sum> want;
    Sum total;
    for (int n = 1; n <= certain; ++n) {
        const QStringList fields = recordOf(server.ranLines[n]).split(QLatin1Char('`'));
        QCOMPARE(fields.size(), 20);
        for (Sum *sum : {&want[{fields[0], fields[14]}], &total}) {
            ++sum->lines;
            sum->count += units(fields[15]);
            sum->amount += units(fields[17]);
        }
    }
    QStringList wantRows;
    for (const auto &[key, sum] : want)
        wantRows << QStringList{QStringLiteral("Summe"),
                                key.first,
                                key.second,
                                QString::number(sum.lines),
                                unitsText(sum.count),
                                unitsText(sum.amount)}
                        .join(QLatin1Char(';'));
    wantRows << QStringList{QStringLiteral("Gesamt"),
                            QString(),
                            QString(),
                            QString::number(total.lines),
                            unitsText(total.count),
                            unitsText(total.amount)}
                    .join(QLatin1Char(';'));
    QStringList rows;
    for (const QStringList &record : readJournalRecords(path))
        if (record.value(0) == QLatin1String("Summe") || record.value(0) == QLatin1String("Gesamt"))
            rows << record.join(QLatin1Char(';'));
    QCOMPARE(rows, wantRows);
}

void ExportJournalTest::journalNeverOverwritten() {
    ExportJournal journal(run_->session);
    journal.now = [] { return QDateTime(QDate(2024, 4, 2), QTime(9, 15, 0)); };
    QStringList paths;
    for (int run = 0; run < 2; ++run) {
        QCOMPARE(runExport(journal), ExportRun::Outcome::Completed);
        paths << QFileInfo(journal.path()).fileName();
    }
    QCOMPARE(paths, QStringList({QStringLiteral("2024-04-02_09-15-00-000_P202403_F1.csv"),
                                 QStringLiteral("2024-04-02_09-15-00-000_P202403_F1_2.csv")}));
    const QList<JournalSummary> runs = recentJournals(run_->session.journalDirectory, 5);
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[1].begun, QStringLiteral("2024-04-02 09:15:00"));
    QCOMPARE(runs[1].user, QStringLiteral("DEMO Demo Benutzer"));
    QCOMPARE(runs[1].outcome, QStringLiteral("abgeschlossen"));
    QCOMPARE(runs[1].recordsTaken, QStringLiteral("7"));
}

void ExportJournalTest::noJournalNothingSent() {
    // A file where the journal folder should be: no journal can be kept.
    QFile blocker(run_->session.journalDirectory);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ExportJournal journal(run_->session);
    QCOMPARE(runExport(journal), ExportRun::Outcome::NotStarted);
    QVERIFY(run_->server->lines.isEmpty());
    QCOMPARE(run_->messages.messages.size(), 1);
    QVERIFY(run_->messages.messages[0].text.contains(QStringLiteral("Exportjournal")));
}

void ExportJournalTest::listingReadsOnlyJournalFiles() {
    // A huge file and a device under journal names: neither is read to its end.
    QTemporaryDir folder;
    QFile huge(folder.filePath(QStringLiteral("2024-04-02_09-15-00-000_P202403_F1.csv")));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(64) << 20));
    huge.close();
    if (QFile::exists(QStringLiteral("/dev/zero")))
        QVERIFY(
            QFile::link(QStringLiteral("/dev/zero"),
                        folder.filePath(QStringLiteral("2024-04-03_09-15-00-000_P202403_F1.csv"))));
    const QList<JournalSummary> runs = recentJournals(folder.path(), 5);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].path, huge.fileName());
    QVERIFY2(runs[0].outcome.startsWith(QStringLiteral("nicht gelesen: größer als 16 MiB")),
             qPrintable(runs[0].outcome));
}

QTEST_MAIN(ExportJournalTest)
#include "tst_exportjournal.moc"
