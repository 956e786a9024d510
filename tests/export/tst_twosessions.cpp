#include "core/ListGridModel.h"
#include "core/Preview.h"
#include "tests/export/StandInExport.h"

#include <QTest>

// Two sessions side by side in one process, each with its own payroll database and its own
// connection: a preview and an export in one never touch the other.
class TwoSessionsTest : public QObject {
    Q_OBJECT
private slots:
    void previewAndExportStayApart();
};

void TwoSessionsTest::previewAndExportStayApart() {
    StandInExport a, b;
    a.payroll.addLines(3);
    b.payroll.addLines(5);
    ListGridModel listA, listB;
    qint64 reccountA = 0, reccountB = 0; // the previews' records
    for (auto [side, list1, reccount] : {std::tuple{&a, &listA, &reccountA},
                                         std::tuple{&b, &listB, &reccountB}}) {
        side->exporter.selection = {QStringLiteral("3, 1000"), QStringLiteral("202403")};
        Session &session = side->session;
        QVERIFY(session.adocon.open({PayrollSource::Kind::Sqlite, side->payroll.path()}).ok);
        const FillOutcome filled =
            FillList(session, *list1, QStringLiteral("202403"), QStringLiteral("3, 1000"));
        QVERIFY(filled.ok);
        *reccount = filled.records;
    }
    QCOMPARE(reccountA, 3);
    QCOMPARE(reccountB, 5);
    QCOMPARE(listA.rows(), 3);
    QCOMPARE(listB.rows(), 5);

    // Session a exports while session b runs lines of its own between a's records.
    const QString lineOfB = QStringLiteral("S KWPB=$G(KWPB)+1");
    int turns = 0;
    a.exporter.onLoop = [&](int) {
        b.session.gateway.ServerExecute(lineOfB);
        ++turns;
        return true;
    };
    QCOMPARE(a.run(reccountA), ExportRun::Outcome::Completed);
    const QStringList linesOfA = a.linesFor(a.payroll.expectedRecords());
    QCOMPARE(a.server->lines, linesOfA);
    QCOMPARE(b.server->lines, QStringList(turns, lineOfB));

    // Then b exports its own lines to its own server; a's server keeps what it had.
    QCOMPARE(b.run(reccountB), ExportRun::Outcome::Completed);
    QCOMPARE(b.server->lines.mid(turns), b.linesFor(b.payroll.expectedRecords()));
    QCOMPARE(a.server->lines, linesOfA);
    QVERIFY(a.messages.messages.isEmpty());
    QVERIFY(b.messages.messages.isEmpty());
}

QTEST_MAIN(TwoSessionsTest)
#include "tst_twosessions.moc"
