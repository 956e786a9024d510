#include "core/ListGridModel.h"
#include "core/Preview.h"
#include "export/ExportRun.h"
#include "export/RecordCheck.h"
#include "tests/export/ConnectedServer.h"
#include "tests/export/NoProgressView.h"
#include "tests/export/PayrollFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Two sessions side by side in one process, each with its own payroll database and its own
// ERP server: a preview and an export in one never touch the other.
class TwoSessionsTest : public QObject {
    Q_OBJECT
private slots:
    void previewAndExportStayApart();
};

namespace {
struct Side {
    Side(const QString &dir, int lines)
        : payroll(dir + QStringLiteral("/payroll.db")) {
        payroll.addLines(lines);
    }
    ConnectedServer server;
    PayrollFile payroll;
    ListGridModel list1;
    qint64 reccount = 0; // the preview's records
};
} // namespace

void TwoSessionsTest::previewAndExportStayApart() {
    QTemporaryDir one, two;
    Side a(one.path(), 3);
    Side b(two.path(), 5);
    for (Side *side : {&a, &b}) {
        QVERIFY2(side->server.ok(), qPrintable(side->server.error()));
        Session &session = side->server.session;
        QVERIFY(session.adocon.open({PayrollSource::Kind::Sqlite, side->payroll.path()}).ok);
        const FillOutcome filled =
            FillList(session, side->list1, QStringLiteral("202403"), QStringLiteral("3, 1000"));
        QVERIFY(filled.ok);
        side->reccount = filled.records;
    }
    QCOMPARE(a.reccount, 3);
    QCOMPARE(b.reccount, 5);
    QCOMPARE(a.list1.rows(), 3);
    QCOMPARE(b.list1.rows(), 5);

    // Session a exports while session b runs lines of its own between a's records.
    NoProgressView progress;
    Session &sa = a.server.session;
    Session &sb = b.server.session;
    const RecordCheck check = RecordCheck::forServer(sa.gateway.settings.charset);
    int turns = 0;
    TestOrigin origin({QStringLiteral("3, 1000"), QStringLiteral("202403")}, [&] {
        sb.gateway.ServerExecute(QStringLiteral("S KWPB=$G(KWPB)+1"));
        ++turns;
        return true;
    });
    ExportRun run(check, progress, origin, sa.messages,
                  {[&sa](const QString &line) { return sa.gateway.ServerExecuteChecked(line); }});
    QCOMPARE(run.run(sa.adocon.database(), sa.sqltext, a.reccount), ExportRun::Outcome::Completed);
    QCOMPARE(a.server.storedInLastBatch(), 3);
    QCOMPARE(b.server.fixture().lastBatch(), 0);
    QCOMPARE(sb.gateway.ServerExecute(QStringLiteral("S P0=KWPB W:$F($ZV,\"MSM\") P0")),
             QString::number(turns));

    // Then b exports its own lines to its own server; a's server keeps what it had.
    TestOrigin secondOrigin({QStringLiteral("3, 1000"), QStringLiteral("202403")});
    ExportRun second(check, progress, secondOrigin, sb.messages, {[&sb](const QString &line) {
                         return sb.gateway.ServerExecuteChecked(line);
                     }});
    QCOMPARE(second.run(sb.adocon.database(), sb.sqltext, b.reccount),
             ExportRun::Outcome::Completed);
    QCOMPARE(b.server.storedInLastBatch(), 5);
    QCOMPARE(a.server.storedInLastBatch(), 3);
    QCOMPARE(a.server.fixture().storedLine(a.server.fixture().lastBatch(), 1),
             a.payroll.expectedRecords().first().toLatin1());
    QVERIFY(a.server.messages.messages.isEmpty());
    QVERIFY(b.server.messages.messages.isEmpty());
}

QTEST_MAIN(TwoSessionsTest)
#include "tst_twosessions.moc"
