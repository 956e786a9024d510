#include "kwpctl/Commands.h"

#include "export/ExportProgressView.h"
#include "export/ExportRun.h"
#include "export/RecordCheck.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
// Progress on standard error: a line now and then, and the last line reached.
class StderrProgress : public ExportProgressView {
public:
    void showWindow() override {}
    void hideWindow() override {}
    void setOkVisible(bool visible) override {
        if (visible && position_ > 0)
            report();
    }
    void setMeterBounds(int, int upper) override { upper_ = upper; }
    void setMeterPosition(int position) override {
        position_ = position;
        if (position == 1 || position % 1000 == 0)
            report();
    }

private:
    void report() const {
        QTextStream(stderr) << "Export: Zeile " << position_ << " von " << upper_ << '\n';
    }
    int upper_ = 0;
    int position_ = 0;
};

// The export run without a window. Exit code 0: completed (the number of records taken on
// standard output); 1: the server refused a record; 2: any other failure.
int exportLines(CommandContext &context) {
    if (!context.options.isSet(QStringLiteral("db")) ||
        !context.options.isSet(QStringLiteral("period")))
        return context.failUsage(QStringLiteral("export braucht --db DB und --period P."));
    QString keys;
    if (!context.openPayroll() || !context.clientKeys(keys) || !context.logOn())
        return Failure;

    Session &session = context.session;
    const QString period = context.period();
    StderrProgress progress;
    const RecordCheck check = RecordCheck::forServer(session.gateway.settings.charset);
    ExportRun run(
        check, progress, context.messages,
        {[](bool) {},
         [] {
             QCoreApplication::processEvents();
             return true;
         },
         [&] {
             return ExportSelection{keys, period};
         },
         [&session](const QString &line) { return session.gateway.ServerExecuteChecked(line); }});
    const ExportRun::Outcome outcome =
        run.run(session.adocon.database(), session.sqltext, ExportRun::countLines);
    session.gateway.ServerDisconnect();
    session.adocon.close();

    switch (outcome) {
    case ExportRun::Outcome::Completed: {
        const qint64 records = run.linesTaken() + 1;
        QTextStream(stderr) << "Export abgeschlossen: " << run.takenText() << '\n';
        QTextStream(stdout) << records << '\n';
        return Success;
    }
    case ExportRun::Outcome::Refused:
        return RefusedByServer;
    default:
        return Failure;
    }
}
} // namespace

Command exportCommand() {
    return {QStringLiteral("export"),
            QStringLiteral("--db DB --period P [--clients 3,999] [--profile NAME] "
                           "[--company FIRMA] [--branch FILIALE]"),
            QStringLiteral("Überträgt die Lohnzeilen einer Periode an den ERP-Server"),
            {CommonOptions::db(), CommonOptions::period(), CommonOptions::clients(),
             CommonOptions::profile(), CommonOptions::company(), CommonOptions::branch()},
            exportLines};
}
