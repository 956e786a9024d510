#include "export/ExportJournal.h"
#include "export/ExportRun.h"
#include "export/RecordCheck.h"
#include "gateway/ServerProfile.h"
#include "tests/export/ConnectedServer.h"
#include "tests/export/NoProgressView.h"
#include "tests/export/PayrollFile.h"
#include "tests/support/DelayProxy.h"
#include "tests/support/TestExportRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

// kwpctl export with records in flight against the real line service, when the run stops in
// the middle: what the server stored, what kwpctl printed and what the journal says must
// agree, and a second export afterwards runs as usual.
class ExportFlightTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void faults_data();
    void faults();
    void withoutFlight();
    void stopsInTheProgram_data();
    void stopsInTheProgram();

private:
    struct Run {
        int exitCode = -1;
        QString out, err;
    };
    QProcess *start(const QString &profile, const QByteArray &ini);
    static Run finish(QProcess &process);
    // The progress record of the run in the server: pid`last`begun`state.
    QByteArray progress();
    QString journalValue(const QString &err, const QString &field);

    std::unique_ptr<ConnectedServer> server_;
    std::unique_ptr<DelayProxy> proxy_;
    QTemporaryDir dir_;
    std::unique_ptr<PayrollFile> payroll_;
    static constexpr int lines = 300;
};

void ExportFlightTest::initTestCase() {
    server_ = std::make_unique<ConnectedServer>();
    QVERIFY2(server_->ok(), qPrintable(server_->error()));
    ErpServerFixture &fixture = server_->fixture();
    QVERIFY(fixture.writeProfile(server_->profileDir(), QStringLiteral("msm"),
                                 ErpServerFixture::ProfileKind::Msm));
    proxy_ = std::make_unique<DelayProxy>(fixture.port(), 1);
    QVERIFY(proxy_->port() != 0);
    ServerProfile target;
    target.host = QStringLiteral("127.0.0.1");
    target.port = QString::number(proxy_->port());
    QVERIFY(
        writeServerProfile(server_->profileDir() + QStringLiteral("/proxy.mco"), target, nullptr));
    QVERIFY(QFile::copy(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"),
                        dir_.filePath(QStringLiteral("kwp1.sql"))));
    payroll_ = std::make_unique<PayrollFile>(dir_.filePath(QStringLiteral("payroll.db")));
    payroll_->addLines(lines);
    QVERIFY(payroll_->error().isEmpty());
}

void ExportFlightTest::faults_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("fault"); // refuse, kill, stop, cut, slow, closed
    QTest::addColumn<int>("at");        // the line record it strikes
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<int>("stored"); // line records in the server's batch
    const QString all = QString::number(lines + 1) + QLatin1Char('\n');
    for (const QString &profile : {QStringLiteral("test"), QStringLiteral("msm")}) {
        const auto row = [&](const char *name) {
            return &QTest::newRow(qPrintable(profile + QLatin1Char(' ') + QLatin1String(name)));
        };
        *row("refused first") << profile << "refuse" << 1 << 1 << "1\n" << 0;
        *row("refused middle") << profile << "refuse" << 150 << 1 << "150\n" << 149;
        *row("refused last") << profile << "refuse" << lines << 1 << "300\n" << lines - 1;
        // The serving process dies within record 120: the record's fate is unknown, nothing
        // after it ran.
        *row("kill -9") << profile << "kill" << 120 << 2 << "120\n+1 ungewiss\n" << 119;
        // Stopped within record 120 past the answer time: unknown; resumed, it ends record
        // 120 and runs nothing after it.
        *row("SIGSTOP") << profile << "stop" << 120 << 2 << "120\n+1 ungewiss\n" << 120;
        *row("slow server") << profile << "slow" << 0 << 0 << all << lines;
    }
    // The link breaks within record 120; the server ends it, and the program learns so.
    QTest::newRow("proxy cut") << "proxy"
                               << "cut" << 120 << 2 << "121\n"
                               << 120;
    // The same break, and the log-on's resume token is gone: nobody can ask how far the run
    // got, and the service goes on with the records it received. All of them are uncertain.
    QTest::newRow("proxy cut, no progress") << "proxy"
                                            << "cut untold" << 120 << 2 << "120\n+181 ungewiss\n"
                                            << -1;
}

void ExportFlightTest::faults() {
    QFETCH(QString, profile);
    QFETCH(QString, fault);
    QFETCH(int, at);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(int, stored);
    ErpServerFixture &fixture = server_->fixture();
    fixture.killGlobal("^KWPTEST");
    const QByteArray number = QByteArray::number(at);
    if (fault == QLatin1String("refuse"))
        QVERIFY(fixture.setGlobal("^KWPTEST(\"refuse\"," + number + ")", "Nein, danke."));
    else if (fault == QLatin1String("slow"))
        for (int n = 1; n <= lines; n += 25)
            QVERIFY(fixture.setGlobal("^KWPTEST(\"hang\"," + QByteArray::number(n) + ")", "0.1"));
    else
        QVERIFY(fixture.setGlobal("^KWPTEST(\"hang\"," + number + ")", "1"));
    const QByteArray ini =
        fault == QLatin1String("stop") ? "[ErpServer]\nAnswerTimeout=1.5\n" : QByteArray();

    std::unique_ptr<QProcess> process(start(profile, ini));
    qint64 pid = 0;
    if (fault == QLatin1String("kill") || fault == QLatin1String("stop") ||
        fault.startsWith(QLatin1String("cut"))) {
        QTRY_VERIFY_WITH_TIMEOUT(progress().split('`').value(2) == number, 20000);
        pid = progress().split('`').value(0).toLongLong();
        QVERIFY(pid > 0);
        if (fault == QLatin1String("kill"))
            ::kill(pid_t(pid), SIGKILL);
        else if (fault == QLatin1String("stop"))
            ::kill(pid_t(pid), SIGSTOP);
        else {
            if (fault == QLatin1String("cut untold"))
                fixture.killGlobal("^KWPTOK");
            proxy_->cut();
        }
    }
    const Run run = finish(*process);
    if (fault == QLatin1String("stop"))
        ::kill(pid_t(pid), SIGCONT);
    QVERIFY2(run.out == out, qPrintable(run.out + QLatin1String(" / ") + run.err));
    QCOMPARE(run.exitCode, exitCode);
    if (stored >= 0) {
        QTRY_COMPARE_WITH_TIMEOUT(server_->storedInLastBatch(), stored, 10000);
        QTest::qWait(300); // nothing more arrives later
        QCOMPARE(server_->storedInLastBatch(), stored);
    } else {
        // Whatever the service ran lies within what the program called certain and uncertain.
        QTest::qWait(2000);
        QVERIFY2(server_->storedInLastBatch() >= at - 1 && server_->storedInLastBatch() <= lines,
                 qPrintable(QString::number(server_->storedInLastBatch())));
    }
    QCOMPARE(journalValue(run.err, QStringLiteral("Sätze übernommen")) + QLatin1Char('\n'),
             out.section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n'));
    QCOMPARE(journalValue(run.err, QStringLiteral("Ungewiss")).isEmpty(),
             !out.contains(QStringLiteral("ungewiss")));
    if (out.contains(QStringLiteral("+181")))
        QCOMPARE(journalValue(run.err, QStringLiteral("Ungewiss")),
                 QStringLiteral("Zeile 120 bis 300"));
    // kwpctl journal lists the run as standard output counted it.
    const QString journalPath =
        QRegularExpression(QStringLiteral("Exportjournal: (.*)\n")).match(run.err).captured(1);
    const QList<JournalSummary> listed = recentJournals(QFileInfo(journalPath).path(), 1);
    QCOMPARE(listed.value(0).recordsTaken,
             out.trimmed().replace(QLatin1Char('\n'), QLatin1Char(' ')));

    // A second export behaves as today.
    fixture.killGlobal("^KWPTEST");
    std::unique_ptr<QProcess> again(start(profile, QByteArray()));
    const Run second = finish(*again);
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out, QString::number(lines + 1) + QLatin1Char('\n'));
    QCOMPARE(server_->storedInLastBatch(), lines);
}

// Records one at a time when the INI says so: the service's progress record stays untouched.
void ExportFlightTest::withoutFlight() {
    ErpServerFixture &fixture = server_->fixture();
    fixture.killGlobal("^KWPTEST");
    fixture.killGlobal("^KWPRUN");
    std::unique_ptr<QProcess> process(
        start(QStringLiteral("test"), "[ErpServer]\nRecordsInFlight=0\n"));
    const Run run = finish(*process);
    QCOMPARE(run.out, QString::number(lines + 1) + QLatin1Char('\n'));
    QCOMPARE(server_->storedInLastBatch(), lines);
    QCOMPARE(progress(), QByteArray());
}

void ExportFlightTest::stopsInTheProgram_data() {
    QTest::addColumn<bool>("databaseCloses"); // else the program ends
    QTest::addColumn<int>("outcome");
    QTest::newRow("program closed") << false << int(ExportRun::Outcome::Abandoned);
    QTest::newRow("payroll database closed") << true << int(ExportRun::Outcome::Stopped);
}

// The program ends, or the payroll database closes, while records are in flight: nothing more
// is sent, the answers of those on their way are awaited, and the count the run keeps is what
// the server stored, as one at a time.
void ExportFlightTest::stopsInTheProgram() {
    QFETCH(bool, databaseCloses);
    QFETCH(int, outcome);
    server_->fixture().killGlobal("^KWPTEST");
    Session &session = server_->session;
    QVERIFY(session.adocon.open({PayrollSource::Kind::Sqlite, payroll_->path()}).ok);
    const RecordCheck check = RecordCheck::forServer(session.gateway.settings.charset);
    NoProgressView view;
    TestExportRun run;
    // The first turn comes before the rows; row 99 has the 100th.
    run.onLoop = [&](int turn) {
        if (turn < 99)
            return true;
        if (!databaseCloses)
            return false;
        session.adocon.close();
        return true;
    };
    run.selection = {QStringLiteral("3"), QStringLiteral("202403")};
    run.execute = [&session](const QString &line) {
        return session.gateway.ServerExecuteChecked(line);
    };
    run.maxLineLength = usableLineLength(session.gateway.settings);
    run.connection = session.gateway.logon.connection.get();
    run.recordsInFlight = 16;
    run.recordFailed = [&session](const ServerAnswer &failed) {
        session.gateway.ServerFailed(failed);
    };
    QCOMPARE(int(run.run(check, view, server_->messages, session.adocon.database(), session.sqltext,
                         ExportRun::countLines)),
             outcome);
    QCOMPARE(run.end.linesTaken, 98);
    QCOMPARE(server_->storedInLastBatch(), 98);
    session.adocon.close();
}

QProcess *ExportFlightTest::start(const QString &profile, const QByteArray &ini) {
    QFile file(dir_.filePath(QStringLiteral("kwp-import.ini")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write("[Regional]\nLocale=de_DE\n[Export]\nJournalDirectory=" +
                   dir_.filePath("journal").toUtf8() + "\n" + ini);
    file.close();
    auto *process = new QProcess;
    process->setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KWP_PROFILE_DIR"), server_->profileDir());
    env.insert(QStringLiteral("KWP_INI"), file.fileName());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("KWP_PASSWORD"), QStringLiteral("demo"));
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(KWPCTL_PATH),
                   {QStringLiteral("export"), QStringLiteral("--db"), payroll_->path(),
                    QStringLiteral("--profile"), profile, QStringLiteral("--period"),
                    QStringLiteral("202403")});
    return process;
}

ExportFlightTest::Run ExportFlightTest::finish(QProcess &process) {
    Run run;
    if (!process.waitForFinished(60000))
        process.kill();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    run.exitCode = process.exitCode();
    return run;
}

QByteArray ExportFlightTest::progress() {
    return server_->fixture().evaluate("N w,r S P0=\"\",w=$O(^KWPRUN(\"\")) Q:w=\"\"  S "
                                       "r=$O(^KWPRUN(w,\"\")) S:r'=\"\" P0=^KWPRUN(w,r)");
}

QString ExportFlightTest::journalValue(const QString &err, const QString &field) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Exportjournal: (.*)\n")).match(err);
    for (const QStringList &record : readJournalRecords(match.captured(1)))
        if (record.value(0) == QLatin1String("Ende") && record.value(1) == field)
            return record.value(2);
    return QStringLiteral("(none)");
}

QTEST_GUILESS_MAIN(ExportFlightTest)
#include "tst_exportflight.moc"
