#include "app/FMStart.h"
#include "core/PayrollDatabase.h"
#include "core/QueryFile.h"
#include "core/Session.h"
#include "demo/payroll/DemoPayroll.h"
#include "widgets/ListGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <malloc.h>

// Preview of a large period: (a) a bare forward-only read, (b) the whole refresh of the main
// window, (c) the same rows put into a QTableWidget item by item. Each case runs in its own
// process so that its peak memory is its own.
namespace {
const QString period = QStringLiteral("202402");
const QString clients = QStringLiteral("3, 999, 1000");

// Heap in use: the resident size says little once the allocator reuses freed pages.
double heapMiB() {
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

QString statement(const Session &session) {
    return substituteQuery(session.sqltext, period, clients).text;
}

void print(const QString &line) {
    QTextStream(stdout) << line << Qt::endl;
}

int bare(Session &session) {
    QSqlQuery query(session.adocon.database());
    query.setForwardOnly(true);
    QElapsedTimer timer;
    timer.start();
    query.exec(statement(session));
    qint64 rows = 0;
    qsizetype chars = 0;
    while (query.next()) {
        for (int i = 0; i < 19; ++i)
            chars += query.value(i).toString().size();
        ++rows;
    }
    print(QStringLiteral("a %1 %2 0").arg(timer.nsecsElapsed() / 1e6).arg(rows));
    return chars > 0 ? 0 : 1;
}

int refresh(Session &session, const PayrollSource &source) {
    FMStart window(session, source);
    window.setEndProgram([](int) {});
    if (!window.Form_Load())
        return 1;
    window.show();
    auto *list1 = window.findChild<ListGrid *>(QStringLiteral("list1"));
    list1->grid().clear();
    list1->viewport()->repaint();
    window.findChild<QComboBox *>(QStringLiteral("periode"))->setEditText(period);
    const double before = heapMiB();
    QElapsedTimer timer;
    timer.start();
    window.refresh1();
    list1->viewport()->repaint();
    const double total = timer.nsecsElapsed() / 1e6;
    // The grid's share alone: the same rows once more into the model, plus the first paint.
    QList<QString> rows;
    for (int r = 0; r < list1->grid().rows(); ++r)
        rows.append(list1->grid().rowText(r));
    timer.restart();
    list1->grid().setRows(std::move(rows));
    list1->viewport()->repaint();
    const double fill = timer.nsecsElapsed() / 1e6;
    print(QStringLiteral("b %1 %2 %3 %4")
              .arg(total)
              .arg(window.previewRecords())
              .arg(heapMiB() - before)
              .arg(fill));
    return 0;
}

int widget(Session &session) {
    QList<QStringList> rows;
    {
        QSqlQuery query(session.adocon.database());
        query.setForwardOnly(true);
        query.exec(statement(session));
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < 19; ++i)
                cells.append(query.value(i).toString());
            rows.append(cells);
        }
    }
    QTableWidget table(0, 19);
    table.resize(700, 400);
    table.show();
    table.viewport()->repaint();
    const double before = heapMiB();
    QElapsedTimer timer;
    timer.start();
    table.setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 19; ++c)
            table.setItem(r, c, new QTableWidgetItem(rows.at(r).at(c)));
    table.viewport()->repaint();
    print(QStringLiteral("c %1 %2 %3 0")
              .arg(timer.nsecsElapsed() / 1e6)
              .arg(rows.size())
              .arg(heapMiB() - before));
    return 0;
}

QStringList runCase(const QString &program, const QString &mode, const QString &db) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {mode, db});
    child.waitForFinished(-1);
    return QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}
} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    StderrMessages messages;
    Session session(messages);
    session.today = [] { return QDate(2024, 3, 15); };

    if (args.size() == 3) {
        QDir::setCurrent(QFileInfo(args.at(2)).path());
        const PayrollSource source{PayrollSource::Kind::Sqlite, args.at(2)};
        if (!session.adocon.open(source).ok)
            return 1;
        session.sqltext = readQueryFile().text;
        if (args.at(1) == QLatin1String("bare"))
            return bare(session);
        if (args.at(1) == QLatin1String("widget"))
            return widget(session);
        session.adocon.close();
        return refresh(session, source);
    }

    const qint64 lines = args.size() > 1 ? args.at(1).toLongLong() : 100000;
    QTemporaryDir dir;
    DemoOptions options;
    options.lastPeriod = period;
    options.months = 1;
    options.employees = 0;
    options.bulkLines = lines;
    options.wageTypesFile = QStringLiteral(KWP_SOURCE_DIR "/demo/wagetypes.txt");
    const QString db = dir.filePath(QStringLiteral("payroll.sqlite"));
    const DemoResult built = writeDemoPayrollFile(db, options);
    QFile::copy(QStringLiteral(KWP_SOURCE_DIR "/demo/kwp1.sql"), dir.filePath("kwp1.sql"));
    if (!built.ok) {
        QTextStream(stderr) << built.error << Qt::endl;
        return 1;
    }
    const QStringList a = runCase(args.at(0), QStringLiteral("bare"), db);
    const QStringList b = runCase(args.at(0), QStringLiteral("refresh"), db);
    const QStringList c = runCase(args.at(0), QStringLiteral("widget"), db);
    if (a.size() < 4 || b.size() < 5 || c.size() < 4) {
        QTextStream(stderr) << "a case failed" << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    out << "Preview of " << b.at(2) << " rows x 19 columns\n";
    out << QStringLiteral("(a) bare forward-only read, value(i).toString(): %1 ms\n").arg(a.at(1));
    out << QStringLiteral("(b) refresh (read, convert, fill grid, first paint): %1 ms, heap +%2 "
                          "MiB; grid fill + first paint alone: %3 ms\n")
               .arg(b.at(1), b.at(3), b.at(4));
    out << QStringLiteral("(c) QTableWidget item by item + first paint: %1 ms, heap +%2 MiB\n")
               .arg(c.at(1), c.at(3));
    const double fillRatio = b.at(4).toDouble() / c.at(1).toDouble();
    const double readRatio = b.at(1).toDouble() / a.at(1).toDouble();
    const double memoryRatio = b.at(3).toDouble() / qMax(0.001, c.at(3).toDouble());
    out << QStringLiteral("grid fill + paint / (c): %1 (target <= 0.05)\n")
               .arg(fillRatio, 0, 'f', 4);
    out << QStringLiteral("(b) / (a): %1 (target <= 1.5)\n").arg(readRatio, 0, 'f', 2);
    out << QStringLiteral("memory (b) / (c): %1 (target <= 0.33)\n").arg(memoryRatio, 0, 'f', 3);
    return 0;
}
