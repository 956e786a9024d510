#include "kwpctl/Commands.h"

#include "core/ListGridModel.h"
#include "core/Preview.h"

#include <QTextStream>

namespace {
// The rows the preview grid receives, one per line on standard output; the record count on
// standard error.
int preview(CommandContext &context) {
    QString keys;
    if (!context.openPayroll() || !context.clientKeys(keys))
        return Failure;
    ListGridModel list1;
    const FillOutcome filled = FillList(context.session, list1, context.period(), keys);
    context.session.adocon.close();
    if (!filled.ok)
        return context.fail(filled.message, filled.details);
    QTextStream out(stdout);
    for (int row = 0; row < list1.rows(); ++row)
        out << list1.rowText(row) << '\n';
    out.flush();
    QTextStream(stderr) << filled.records << " Datensätze\n";
    return Success;
}
} // namespace

Command previewCommand() {
    return {QStringLiteral("preview"),
            QStringLiteral("[--db DB] [--period P] [--clients 3,999]"),
            QStringLiteral("Zeigt die Zeilen der Vorschau, wie das Hauptfenster sie füllt"),
            {CommonOptions::db(), CommonOptions::period(), CommonOptions::clients()},
            preview};
}
