#include "core/QueryFile.h"
#include "core/Session.h"
#include "demo/payroll/DemoPayroll.h"
#include "export/ExportJournal.h"
#include "export/ExportOrigin.h"
#include "export/ExportRun.h"
#include "export/ExportWindowView.h"
#include "export/RecordCheck.h"
#include "gateway/ServerProfile.h"
#include "tests/support/DelayProxy.h"
#include "tests/support/ErpServerFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <functional>
#include <memory>

#include <unistd.h>

// A full export through the real progress window (offscreen, the message loop once per line)
// to the GT.M line service with the demo ERP's WINKWP stand-in. Every measurement runs in a
// process of its own, started under "taskset -c 0" for the pinned figures, so that the
// program and the server it starts share one core; and so that peak memory is its own.
// The limit per line, 1 / (raw loopback ping-pong + in-process XECUTE of a record line), is
// measured in the same run by bench_gateway, whose (a) and (d) are exactly these two. Over TLS
// the round trip is that of the service's smallest line on the same TLS path, bench_gateway's (b').
namespace {
const QString period = QStringLiteral("202402");

void print(const QString &line) {
    QTextStream(stdout) << line << Qt::endl;
}

double residentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The peak resident size since the last resetPeak(), from /proc/self/status.
double peakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Start-up (Qt, the server fixture) peaks higher than the export; only the export's peak counts.
void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

bool buildPayroll(const QString &path, qint64 lines) {
    DemoOptions options;
    options.lastPeriod = period;
    options.months = 1;
    options.employees = 20;
    options.bulkLines = lines;
    options.wageTypesFile = QStringLiteral(KWP_SOURCE_DIR "/demo/wagetypes.txt");
    const DemoResult result = writeDemoPayrollFile(path, options);
    if (!result.ok)
        QTextStream(stderr) << "payroll: " << result.error << Qt::endl;
    return result.ok;
}

// The journal, with the time its per-line part takes.
// The start of a run without a main window: the fixed selection, and a message loop whose turns
// the benchmark times.
class BenchOrigin : public WindowlessOrigin {
public:
    BenchOrigin(ExportSelection selection, std::function<void()> turn)
        : WindowlessOrigin(std::move(selection))
        , turn_(std::move(turn)) {}
    bool letMessageLoopRun() override {
        turn_();
        return true;
    }

private:
    std::function<void()> turn_;
};

class TimedJournal : public ExportReport {
public:
    explicit TimedJournal(const Session &session)
        : journal(session) {}
    bool begin(const ExportSelection &selection, const QString &query, QString *error) override {
        return journal.begin(selection, query, error);
    }
    void lineTaken(const ReportRow &row) override {
        timer.start();
        journal.lineTaken(row);
        lineNs += timer.nsecsElapsed();
    }
    void lineUncertain(const ReportRow &row) override { journal.lineUncertain(row); }
    void end(const ExportEnd &end) override { journal.end(end); }

    ExportJournal journal;
    QElapsedTimer timer;
    qint64 lineNs = 0;
};

// One export in this process; prints "lines seconds peakGrowthMiB loopUs channelUs journalUs".
// delayMs >= 0 puts a proxy that delays each direction by so much between program and server;
// window is the most records in flight (0: one at a time).
int exportOnce(const QString &db, bool tls, int delayMs = -1, int window = 0) {
    ErpServerFixture server({}, tls ? QStringList{QStringLiteral("--tls")} : QStringList{});
    if (!server.isRunning()) {
        QTextStream(stderr) << "erp-server: " << server.error() << Qt::endl;
        return 2;
    }
    StderrMessages messages;
    Session session(messages);
    QTemporaryDir profiles;
    session.gateway.settings.profileDirectory = profiles.path();
    session.gateway.settings.security.caFile = server.dir() + QStringLiteral("/ca.pem");
    std::unique_ptr<DelayProxy> proxy;
    if (delayMs >= 0)
        proxy = std::make_unique<DelayProxy>(server.port(), delayMs);
    session.gateway.settings.recordsInFlight = window;
    ServerProfile target{ServerProfile::Kind::Cache, QStringLiteral("127.0.0.1"),
                         QString::number(proxy ? proxy->port() : server.port())};
    target.tls = tls;
    if (!writeServerProfile(profiles.filePath(QStringLiteral("bench.mco")), target, nullptr))
        return 2;
    QString error;
    const LogonResult logon =
        session.gateway.LogOn(ErpServerFixture::demoUser(QStringLiteral("bench")));
    error = logon.message + logon.details;
    if (logon.outcome != LogonResult::Outcome::LoggedOn ||
        !session.adocon.open({PayrollSource::Kind::Sqlite, db}).ok) {
        QTextStream(stderr) << "connect: " << error << Qt::endl;
        return 2;
    }
    session.sqltext = readQueryFile(QStringLiteral(KWP_SOURCE_DIR "/demo/kwp1.sql")).text;

    QWidget mainWindow;
    mainWindow.show();
    ExportWindowView view(&mainWindow);
    view.showWindow();
    const RecordCheck check = RecordCheck::forServer(session.gateway.settings.charset);
    // The journal is on, as in every run of the program.
    QTemporaryDir journals;
    session.journalDirectory = journals.path();
    TimedJournal journal(session);
    // Where the time goes: the message loop (repainting the meter) and the channel.
    qint64 loopNs = 0;
    qint64 channelNs = 0;
    QElapsedTimer part;
    BenchOrigin origin({QStringLiteral("3, 999, 1000"), period}, [&] {
        part.start();
        QCoreApplication::processEvents();
        loopNs += part.nsecsElapsed();
    });
    ExportRun run(check, view, origin, messages,
                  {[&](const QString &line) {
                       part.start();
                       ServerAnswer answer = session.gateway.ServerExecuteChecked(line);
                       channelNs += part.nsecsElapsed();
                       return answer;
                   },
                   &journal, usableLineLength(session.gateway.settings),
                   [&] { return session.gateway.logon.connection.get(); }, window,
                   [&](const ServerAnswer &failed) { session.gateway.ServerFailed(failed); }});
    QCoreApplication::processEvents();
    // Growth: the peak during the export over what was resident when it started.
    resetPeak();
    const double before = residentMiB();
    QElapsedTimer timer;
    timer.start();
    const ExportRun::Outcome outcome =
        run.run(session.adocon.database(), session.sqltext, ExportRun::countLines);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (outcome != ExportRun::Outcome::Completed) {
        QTextStream(stderr) << "export did not complete: " << run.lastMessage() << Qt::endl;
        return 1;
    }
    const double lines = double(qMax<qint64>(1, run.linesTaken()));
    print(QStringLiteral("%1 %2 %3 %4 %5 %6")
              .arg(run.linesTaken())
              .arg(seconds)
              .arg(peakMiB() - before)
              .arg(double(loopNs) / 1e3 / lines)
              .arg(double(channelNs) / 1e3 / lines)
              .arg(double(journal.lineNs) / 1e3 / lines));
    session.gateway.ServerDisconnect();
    return 0;
}

// Runs one export in a child process, pinned to core 0 or not.
QStringList child(const QString &db, bool pinned, bool tls = false) {
    QStringList args{QCoreApplication::applicationFilePath(),
                     tls ? QStringLiteral("--once-tls") : QStringLiteral("--once"), db};
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (pinned)
        process.start(QStringLiteral("taskset"), QStringList{QStringLiteral("-c"), "0"} + args);
    else
        process.start(args.takeFirst(), args);
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        return {};
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}
// The round trip and XECUTE figures of one bench_gateway run, in microseconds.
struct Limit {
    double roundTrip = 0; // (a) raw ping-pong; over TLS (b'), the smallest line on that path
    double xecute = 0;    // (d)
    bool valid() const { return roundTrip > 0 && xecute > 0; }
};

// bench_gateway's figures by its section titles ("pinned ...", "unpinned, TLS:", ...).
QMap<QString, Limit> roundTripLimits() {
    QProcess gateway;
    gateway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gateway.start(QStringLiteral(BENCH_GATEWAY_PATH), {});
    gateway.waitForFinished(-1);
    const QString out = QString::fromLatin1(gateway.readAllStandardOutput());
    static const QRegularExpression figure(
        QStringLiteral("^  \\((a|b'|d)\\)[^\\n]*\\(([0-9.]+) us\\)"));
    QMap<QString, Limit> limits;
    QString section;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char(' '))) {
            section = line;
            continue;
        }
        const QRegularExpressionMatch m = figure.match(line);
        if (!m.hasMatch())
            continue;
        const bool tls = section.contains(QLatin1String("TLS"));
        const double us = m.captured(2).toDouble();
        if (m.captured(1) == QLatin1String("d"))
            limits[section].xecute = us;
        else if ((m.captured(1) == QLatin1String("a")) != tls)
            limits[section].roundTrip = us;
    }
    return limits;
}

QString gatewaySection(bool pinned, bool tls) {
    return QString(pinned ? QStringLiteral("pinned to CPU 0") : QStringLiteral("unpinned")) +
           (tls ? QStringLiteral(", TLS:")
                : (pinned ? QStringLiteral(" (client and server):") : QStringLiteral(":")));
}
// One export in a child process through a link of delayMs each way (-1: straight loopback)
// with window records in flight; its figures.
QStringList linkChild(const QString &db, int delayMs, int window) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--once-link"), db, QString::number(delayMs), QString::number(window)});
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        return {};
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

// What the service's progress record costs per record in flight: the three global references
// of a record (begun mark, stop check, taken mark), timed in the server against an empty loop.
double progressCostUs() {
    ErpServerFixture server;
    if (!server.isRunning())
        return -1;
    const QByteArray loop = "F i=1:1:200000 ";
    const QByteArray work =
        "S $P(^KWPRUN(\"b\",\"r\"),\"`\",3)=i I $D(^KWPRUN(\"b\",\"r\",\"go\")) "
        "S $P(^KWPRUN(\"b\",\"r\"),\"`\",2,3)=i_\"`\"";
    const auto timed = [&](const QByteArray &body) {
        return server
            .evaluate(
                "K ^KWPRUN S ^KWPRUN(\"b\",\"r\")=\"1`-1```\",^KWPRUN(\"b\",\"r\",\"go\")=\"\" "
                "N i,t S t=$ZUT " +
                loop + body + " I i=200000 S P0=$ZUT-t")
            .toDouble();
    };
    // The loop's own time (and the end test it carries) is taken off
    const double empty = timed("S x=i");
    const double cost = (timed(work) - empty) / 200000.0;
    server.killGlobal("^KWPRUN");
    return cost;
}

// Export over a slow link: one at a time and in flight through a proxy that delays each
// direction by 1 ms and 10 ms, beside straight loopback, then memory with records in flight.
int slowLink(qint64 lines, qint64 bigLines) {
    constexpr int window = 1024;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("link.db"));
    const QString smallDb = dir.filePath(QStringLiteral("small.db"));
    const QString bigDb = dir.filePath(QStringLiteral("big.db"));
    print(QStringLiteral("Slow-link benchmark: %1 lines, %2 records in flight")
              .arg(lines)
              .arg(window));
    if (!buildPayroll(db, lines) || !buildPayroll(smallDb, 10000) || !buildPayroll(bigDb, bigLines))
        return 2;
    double loopback = 0;
    double loopbackInFlight = 0;
    for (const int delay : {-1, 1, 10}) {
        for (const int inFlight : {0, window}) {
            const QStringList figures = linkChild(db, delay, inFlight);
            const QString name = QStringLiteral("%1, %2").arg(
                delay < 0 ? QStringLiteral("loopback")
                          : QStringLiteral("%1 ms each way").arg(delay),
                inFlight ? QStringLiteral("in flight") : QStringLiteral("one at a time"));
            if (figures.size() != 6) {
                print(name + QStringLiteral(": export failed"));
                return 1;
            }
            const double rate = figures[0].toDouble() / figures[1].toDouble();
            if (delay < 0)
                (inFlight ? loopbackInFlight : loopback) = rate;
            print(QStringLiteral("%1: %2 lines in %3 s = %4 lines/s; %5 of loopback one at a "
                                 "time%6")
                      .arg(name)
                      .arg(figures[0])
                      .arg(figures[1].toDouble(), 0, 'f', 2)
                      .arg(rate, 0, 'f', 0)
                      .arg(rate / loopback, 0, 'f', 2)
                      .arg(inFlight && loopbackInFlight > 0
                               ? QStringLiteral(", %1 of loopback in flight")
                                     .arg(rate / loopbackInFlight, 0, 'f', 2)
                               : QString()));
        }
    }
    print(QStringLiteral("    targets in flight: 1 ms >= 0.8, 10 ms >= 0.5, loopback >= 1.0"));
    QList<double> growth;
    for (const QString &file : {smallDb, bigDb}) {
        const QStringList figures = linkChild(file, -1, window);
        if (figures.size() != 6)
            return 1;
        growth.append(figures[2].toDouble());
        print(QStringLiteral("peak memory growth, in flight, %1 lines: %2 MiB")
                  .arg(figures[0], QString::number(figures[2].toDouble(), 'f', 1)));
    }
    print(QStringLiteral("    from 10000 to %1 lines: %2 MiB more (target < 5)")
              .arg(bigLines)
              .arg(growth[1] - growth[0], 0, 'f', 1));
    print(QStringLiteral("progress record per record in flight (3 global references): %1 us")
              .arg(progressCostUs(), 0, 'f', 2));
    return 0;
}
} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A German workstation, as the demo ERP server expects its numbers (1234,5).
    qputenv("LC_ALL", "de_AT.UTF-8");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1].startsWith(QLatin1String("--once")))
        return exportOnce(args[2], args[1] == QLatin1String("--once-tls"));
    if (args.size() == 5 && args[1] == QLatin1String("--once-link"))
        return exportOnce(args[2], false, args[3].toInt(), args[4].toInt());
    if (args.size() > 1 && args[1] == QLatin1String("--slow-link"))
        return slowLink(args.size() > 2 ? args[2].toLongLong() : 5516,
                        args.size() > 3 ? args[3].toLongLong() : 1000000);

    const qint64 speedLines = args.size() > 1 ? args[1].toLongLong() : 100000;
    const qint64 bigLines = args.size() > 2 ? args[2].toLongLong() : 1000000;
    QTemporaryDir dir;
    print(QStringLiteral("Export benchmark: building payroll files (%1, 10000, %2 lines)")
              .arg(speedLines)
              .arg(bigLines));
    const QString speedDb = dir.filePath(QStringLiteral("speed.db"));
    const QString smallDb = dir.filePath(QStringLiteral("small.db"));
    const QString bigDb = dir.filePath(QStringLiteral("big.db"));
    if (!buildPayroll(speedDb, speedLines) || !buildPayroll(smallDb, 10000) ||
        !buildPayroll(bigDb, bigLines))
        return 2;

    const QMap<QString, Limit> limits = roundTripLimits();
    for (const bool pinned : {true, false}) {
        QStringList ratios;
        for (const bool tls : {false, true}) {
            const QStringList figures = child(speedDb, pinned, tls);
            const QString name = QString(pinned ? QStringLiteral("pinned to one core")
                                                : QStringLiteral("unpinned")) +
                                 (tls ? QStringLiteral(", TLS") : QString());
            if (figures.size() != 6) {
                print(name + QStringLiteral(": export failed"));
                return 1;
            }
            const double lines = figures[0].toDouble();
            const double perSecond = lines / figures[1].toDouble();
            print(QStringLiteral("%1: %2 lines in %3 s = %4 lines/s")
                      .arg(name)
                      .arg(lines)
                      .arg(figures[1].toDouble(), 0, 'f', 2)
                      .arg(perSecond, 0, 'f', 0));
            print(QStringLiteral("    per line: message loop %1 us, channel %2 us, journal %3 us")
                      .arg(figures[3].toDouble(), 0, 'f', 1)
                      .arg(figures[4].toDouble(), 0, 'f', 1)
                      .arg(figures[5].toDouble(), 0, 'f', 2));
            const Limit limit = limits.value(gatewaySection(pinned, tls));
            if (!limit.valid()) {
                print(QStringLiteral("    limit: bench_gateway gave no figures"));
                ratios << (tls ? QStringLiteral("TLS -") : QStringLiteral("plain -"));
                continue;
            }
            const double perLine = 1e6 / (limit.roundTrip + limit.xecute);
            const double ratio = perSecond / perLine;
            print(QStringLiteral("    limit 1/(%1 %2 us + XECUTE %3 us) = %4 lines/s; "
                                 "export/limit = %5 (target >= 0.5)")
                      .arg(tls ? QStringLiteral("TLS round trip") : QStringLiteral("ping-pong"))
                      .arg(limit.roundTrip)
                      .arg(limit.xecute)
                      .arg(perLine, 0, 'f', 0)
                      .arg(ratio, 0, 'f', 2));
            ratios << QStringLiteral("%1 %2")
                          .arg(tls ? QStringLiteral("TLS") : QStringLiteral("plain"))
                          .arg(ratio, 0, 'f', 2);
        }
        print(QStringLiteral("    export/limit %1: %2")
                  .arg(pinned ? QStringLiteral("pinned") : QStringLiteral("unpinned"),
                       ratios.join(QStringLiteral(", "))));
    }
    QList<double> growth;
    for (const auto &[db, label] : {std::pair{smallDb, QStringLiteral("10000")},
                                    std::pair{bigDb, QString::number(bigLines)}}) {
        const QStringList figures = child(db, false);
        if (figures.size() != 6)
            return 1;
        growth.append(figures[2].toDouble());
        print(QStringLiteral("peak memory growth during the export of %1 lines: %2 MiB")
                  .arg(label, QString::number(figures[2].toDouble(), 'f', 1)));
    }
    print(QStringLiteral("    from 10000 to %1 lines: %2 MiB more (target <= 5)")
              .arg(bigLines)
              .arg(growth[1] - growth[0], 0, 'f', 1));
    return 0;
}
