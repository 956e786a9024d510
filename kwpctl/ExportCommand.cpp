#include "kwpctl/Commands.h"

#include "export/ExportJournal.h"
#include "export/ExportOrigin.h"
#include "export/ExportProgressView.h"
#include "export/ExportRun.h"
#include "export/RecordCheck.h"

#include <QDir>
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
    ExportJournal journal(session);
    WindowlessOrigin origin({keys, period});
    ExportRun run(
        check, progress, origin, context.messages,
        {[&session](const QString &line) { return session.gateway.ServerExecuteChecked(line); },
         &journal, usableLineLength(session.gateway.settings),
         [&session] { return session.gateway.logon.connection.get(); },
         session.gateway.settings.recordsInFlight,
         [&session](const ServerAnswer &failed) { session.gateway.ServerFailed(failed); }});
    const ExportRun::Outcome outcome =
        run.run(session.adocon.database(), session.sqltext, ExportRun::countLines);
    session.gateway.ServerDisconnect();
    session.adocon.close();

    if (!journal.path().isEmpty())
        QTextStream(stderr) << "Exportjournal: " << QDir::toNativeSeparators(journal.path())
                            << '\n';
    if (!journal.writeError().isEmpty())
        context.messages.tell(journal.writeError());
    // Once anything may have gone to the server, standard output says how many records it
    // took for certain, and a second line with how many more may have been taken.
    const ExportEnd &end = run.lastEnd();
    if (outcome != ExportRun::Outcome::NotStarted) {
        QTextStream out(stdout);
        out << end.recordsTaken() << '\n';
        if (end.uncertain)
            out << '+' << end.recordsUncertain() << " ungewiss\n";
    }
    switch (outcome) {
    case ExportRun::Outcome::Completed:
        QTextStream(stderr) << "Export abgeschlossen: " << run.takenText() << '\n';
        return Success;
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
