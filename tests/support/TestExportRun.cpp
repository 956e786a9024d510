#include "tests/support/TestExportRun.h"

#include "export/ExportOrigin.h"

#include <QCoreApplication>

namespace {
// The run's start as the test describes it: its selection, the button's state kept, each turn
// of the message loop handed to onLoop.
class TestRunOrigin : public ExportOrigin {
public:
    explicit TestRunOrigin(TestExportRun &test)
        : test_(test) {}

    ExportSelection selection() override { return test_.selection; }
    void setExportButtonVisible(bool visible) override { test_.buttonVisible = visible; }
    bool letMessageLoopRun() override {
        QCoreApplication::processEvents();
        const int now = turn_++;
        return test_.onLoop ? test_.onLoop(now) : true;
    }

private:
    TestExportRun &test_;
    int turn_ = 0;
};
} // namespace

ExportRun::Outcome TestExportRun::run(const RecordCheck &check, ExportProgressView &view,
                                      UserMessages &messages, const QSqlDatabase &database,
                                      const QString &query, qint64 reccount) {
    TestRunOrigin origin(*this);
    ExportRun run(check, view, origin, messages,
                  {execute, report, maxLineLength, [this] { return connection; }, recordsInFlight,
                   recordFailed});
    const ExportRun::Outcome outcome = run.run(database, query, reccount);
    end = run.lastEnd();
    return outcome;
}
