#include "gateway/ErpGateway.h"
#include "tests/support/ErpServerFixture.h"
#include "wagetypes/AssignmentLines.h"
#include "wagetypes/FMLart.h"
#include "wagetypes/WageTypesController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <functional>

// The window "Lohnarten Zuordnung" on 1,000 wage types with assignments, opened and saved
// against the GT.M demo ERP server through the program's channel, beside the same number of
// bare round trips in the same run: the two read lines per wage type (what opening must send)
// and one write line per wage type (what saving must send). Medians of several rounds,
// interleaved. Run it under "taskset -c 0" to see software costs without the wake-up latency
// of two cores (run.sh does both).
namespace {
constexpr int wageTypes = 1000;
constexpr int rounds = 7;

void print(const QString &line) {
    QTextStream(stdout) << line << Qt::endl;
}

[[noreturn]] void fail(const QString &why) {
    print(QStringLiteral("bench_wagetypes: ") + why);
    std::exit(1);
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double milliseconds(const std::function<void()> &work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The benchmark's one session with the server.
StderrMessages messages;
ErpGateway gateway(messages);

void mustRun(const QString &line) {
    if (!gateway.ServerExecuteChecked(line).ok)
        fail(QStringLiteral("line failed: ") + line);
}
} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    ErpServerFixture server;
    if (!server.isRunning())
        fail(server.error());
    qputenv("KWP_PROFILE_DIR", dir.path().toLocal8Bit());
    if (!server.writeProfile(dir.path(), QStringLiteral("bench"),
                             ErpServerFixture::ProfileKind::Cache))
        fail(QStringLiteral("cannot write the profile"));
    QString error;
    if (!gateway.ConnectByProfile(QStringLiteral("bench"), &error))
        fail(error);
    if (gateway
            .CheckServerPassword(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("demo"))
            .isEmpty())
        fail(QStringLiteral("the demo user's log-on failed"));
    mustRun(QStringLiteral("S %=\"`\""));

    QStringList keys;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lohnart"));
        db.setDatabaseName(dir.filePath(QStringLiteral("payroll.sqlite")));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral(
                              "create table Lohnart (LA_ID integer primary key, Name text)")))
            fail(db.lastError().text());
        db.transaction();
        query.prepare(QStringLiteral("insert into Lohnart values (?, ?)"));
        for (int i = 0; i < wageTypes; ++i) {
            keys.append(QString::number(1000 + i));
            query.addBindValue(1000 + i);
            query.addBindValue(QStringLiteral("Lohnart Nummer %1").arg(1000 + i));
            if (!query.exec())
                fail(query.lastError().text());
        }
        db.commit();
    }
    const QByteArray seed = "F i=1000:1:" + QByteArray::number(999 + wageTypes) +
                            " S ^PERSP(1,20,i)=(i#17+1)_\"`\"_(i#13+1)";

    WageTypesController controller(
        nullptr, {[] { return QSqlDatabase::database(QStringLiteral("lohnart")); },
                  gatewayChannel(gateway),
                  &messages,
                  {}});

    QList<double> bareReads, opens, bareWrites, saves;
    for (int round = 0; round < rounds; ++round) {
        server.killGlobal("^PERSP(1,20)");
        server.evaluate(seed);
        bareReads.append(milliseconds([&] {
            for (const QString &key : keys) {
                mustRun(AssignmentLines::read(key, 1));
                mustRun(AssignmentLines::read(key, 2));
            }
        }));
        opens.append(milliseconds([&] {
            controller.open();
            if (!controller.window())
                fail(QStringLiteral("the window did not open"));
            QCoreApplication::processEvents();
        }));
        FMLart *window = controller.window();
        if (window->sheet().rows() != wageTypes)
            fail(QStringLiteral("the window holds %1 wage types").arg(window->sheet().rows()));
        bareWrites.append(milliseconds([&] {
            for (int row = 0; row < wageTypes; ++row)
                mustRun(AssignmentLines::write(keys.at(row), window->sheet().value(row)));
        }));
        saves.append(milliseconds([&] {
            if (!window->sheet().save(gatewayChannel(gateway), messages))
                fail(QStringLiteral("the save failed"));
        }));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const auto report = [](const char *what, double ms, const char *bare, double bareMs) {
        print(QStringLiteral("%1 %2 ms   %3 %4 ms   ratio %5 (target at most 1.30)")
                  .arg(QLatin1String(what), -28)
                  .arg(ms, 8, 'f', 1)
                  .arg(QLatin1String(bare), -32)
                  .arg(bareMs, 8, 'f', 1)
                  .arg(ms / bareMs, 0, 'f', 2));
    };
    print(QStringLiteral("%1 wage types with assignments, medians of %2 rounds")
              .arg(wageTypes)
              .arg(rounds));
    report("open the window:", median(opens), "bare round trips, 2 reads each:", median(bareReads));
    report("save (Speichern):", median(saves),
           "bare round trips, 1 write each:", median(bareWrites));
    gateway.ServerDisconnect();
    return 0;
}
