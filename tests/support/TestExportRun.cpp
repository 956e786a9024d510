#include "tests/support/TestExportRun.h"

#include <QCoreApplication>

ExportRun::Outcome TestExportRun::run(const RecordCheck &check, ExportProgressView &view,
                                      UserMessages &messages, const QSqlDatabase &database,
                                      const QString &query, qint64 reccount) {
    int turn = 0;
    ExportRun run(check, view, messages,
                  {[this](bool visible) { buttonVisible = visible; },
                   [this, &turn] {
                       QCoreApplication::processEvents();
                       const int now = turn++;
                       return onLoop ? onLoop(now) : true;
                   },
                   [this] { return selection; }, execute, report, maxLineLength,
                   [this] { return connection; }, recordsInFlight, recordFailed});
    const ExportRun::Outcome outcome = run.run(database, query, reccount);
    end = run.lastEnd();
    return outcome;
}
