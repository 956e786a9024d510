#include "kwpctl/Commands.h"

#include "export/ExportJournal.h"

#include <QDir>
#include <QTextStream>

namespace {
// The recent export runs from their journals, one per line and oldest first: time, user,
// period, outcome, records the server took, separated by tabs.
int listJournals(CommandContext &context) {
    int last = 10;
    if (context.options.isSet(QStringLiteral("last"))) {
        bool ok = false;
        last = context.options.value(QStringLiteral("last")).toInt(&ok);
        if (!ok || last < 1)
            return context.failUsage(QStringLiteral("--last braucht eine Anzahl ab 1."));
    }
    const QString directory = ExportJournal::directoryOf(context.session);
    const QList<JournalSummary> runs = recentJournals(directory, last);
    if (runs.isEmpty())
        QTextStream(stderr) << "Keine Exportjournale in " << QDir::toNativeSeparators(directory)
                            << ".\n";
    QTextStream out(stdout);
    for (const JournalSummary &run : runs)
        out << run.begun << '\t' << run.user << '\t' << run.period << '\t' << run.outcome << '\t'
            << run.recordsTaken << '\n';
    return Success;
}
} // namespace

Command journalCommand() {
    return {QStringLiteral("journal"),
            QStringLiteral("[--last N]"),
            QStringLiteral("Listet die letzten Exportläufe aus ihren Journalen"),
            {{QStringLiteral("last"), QStringLiteral("Wie viele Läufe (sonst 10)."),
              QStringLiteral("N")}},
            listJournals};
}
