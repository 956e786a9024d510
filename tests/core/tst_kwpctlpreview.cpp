#include "tests/support/DemoFixture.h"

#include "core/ClientKeys.h"
#include "core/ListGridModel.h"
#include "core/PayrollDatabase.h"
#include "core/Preview.h"
#include "core/QueryFile.h"
#include "core/Session.h"
#include "tests/support/RecordedMessages.h"

#include <QProcess>
#include <QTest>

// kwpctl preview prints exactly the rows the preview grid receives, and nothing else.
class TestKwpctlPreview : public QObject {
    Q_OBJECT
private slots:
    void sameRowsAsTheGrid_data();
    void sameRowsAsTheGrid();
    void refusals_data();
    void refusals();
};

namespace {
struct Run {
    int exitCode = -1;
    QStringList out;
    QString err;
};

Run kwpctl(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(KWPCTL_PATH), QStringList{"preview"} + arguments);
    process.waitForFinished(60000);
    Run run;
    run.exitCode = process.exitCode();
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    run.out = out.split('\n');
    if (run.out.last().isEmpty())
        run.out.removeLast();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
} // namespace

void TestKwpctlPreview::sameRowsAsTheGrid_data() {
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("clients"); // empty: the clients the main window marks
    QTest::addColumn<QString>("keys");
    QTest::newRow("marked clients") << "202402"
                                    << ""
                                    << "3, 999, 1000";
    QTest::newRow("one client") << "202401"
                                << "3"
                                << "3, 1000";
    QTest::newRow("unlisted client") << "202312"
                                     << "5,42"
                                     << "5, 42, 1000";
}

void TestKwpctlPreview::sameRowsAsTheGrid() {
    QFETCH(QString, period);
    QFETCH(QString, clients);
    QFETCH(QString, keys);
    DemoFolder demo;
    QStringList arguments{"--db", demo.databasePath(), "--period", period};
    if (!clients.isEmpty())
        arguments << "--clients" << clients;
    const Run run = kwpctl(arguments);
    QCOMPARE(run.exitCode, 0);

    RecordedMessages messages;
    Session session(messages);
    QVERIFY(session.adocon.open({PayrollSource::Kind::Sqlite, demo.databasePath()}).ok);
    session.sqltext = readQueryFile().text;
    ListGridModel list1;
    QVERIFY(FillList(session, list1, period, keys).ok);
    QVERIFY(list1.rows() > 0);
    QCOMPARE(run.out.size(), list1.rows());
    for (int row = 0; row < list1.rows(); ++row)
        QCOMPARE(run.out.at(row), list1.rowText(row));
    QVERIFY(run.err.contains(QString::number(list1.rows())));
}

void TestKwpctlPreview::refusals_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("period pasted into SQL") << QStringList{"--period", "202402 or 1=1"} << "JJJJMM";
    QTest::newRow("client list with SQL") << QStringList{"--clients", "3) or (1=1"} << "Mandanten";
    QTest::newRow("unknown option") << QStringList{"--bogus", "1"} << "--bogus";
    QTest::newRow("missing database")
        << QStringList{"--db", "/nonexistent/x.sqlite"} << "Lohndatenbank";
}

void TestKwpctlPreview::refusals() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    DemoFolder demo;
    if (!arguments.contains("--db"))
        arguments << "--db" << demo.databasePath();
    const Run run = kwpctl(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestKwpctlPreview)
#include "tst_kwpctlpreview.moc"
