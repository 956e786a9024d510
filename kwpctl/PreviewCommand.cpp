#include "kwpctl/Commands.h"

#include "app/ClientKeys.h"
#include "app/Clock.h"
#include "app/Globals.h"
#include "app/ListGridModel.h"
#include "app/PayrollDatabase.h"
#include "app/PayrollLists.h"
#include "app/Period.h"
#include "app/Preview.h"
#include "app/QueryFile.h"
#include "app/UserMessages.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

namespace {
int fail(const QString &text, const QString &details = QString()) {
    showMessage(text, QString(), details);
    return 1;
}
} // namespace

// kwpctl preview --db DB --period P [--clients 3,999]: the rows the preview grid receives,
// one per line on standard output; the record count on standard error.
int runPreviewCommand(const QStringList &arguments) {
    QString db;
    QString period = defaultPeriod(today());
    QString clients;
    bool clientsGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("Der Option \u201E%1\u201C fehlt ihr Wert.").arg(option));
        const QString value = arguments.at(++i);
        if (option == QLatin1String("--db")) {
            db = value;
        } else if (option == QLatin1String("--period")) {
            period = value;
        } else if (option == QLatin1String("--clients")) {
            clients = value;
            clientsGiven = true;
        } else {
            return fail(QStringLiteral("Unbekannte Option \u201E%1\u201C.").arg(option));
        }
    }
    static const QRegularExpression clientList(QStringLiteral("^(\\d+(,\\d+)*)?$"));
    if (clientsGiven && !clientList.match(clients).hasMatch())
        return fail(
            QStringLiteral("Die Mandanten \u201E%1\u201C sind keine durch Kommas getrennten "
                           "Mandantennummern.")
                .arg(clients));

    const PayrollSource source =
        db.isEmpty() ? payrollSourceFromIni() : payrollSourceFromOption(db);
    const OpenResult opened = openAdocon(source);
    if (!opened.ok)
        return fail(QStringLiteral("Die Lohndatenbank konnte nicht geöffnet werden (%1).")
                        .arg(source.describe()),
                    opened.error);
    const QueryFileText query = readQueryFile();
    if (!query.ok) {
        closeAdocon();
        return fail(
            QStringLiteral("Die Abfragedatei \u201E%1\u201C im Ordner \u201E%2\u201C konnte "
                           "nicht gelesen werden.")
                .arg(QLatin1String(queryFileName), QDir::currentPath()),
            query.error);
    }
    sqltext() = query.text;

    ListGridModel mandant;
    if (clientsGiven) {
        for (const QString &number : clients.split(QLatin1Char(','), Qt::SkipEmptyParts))
            mandant.addRow(number);
    } else {
        const PayrollList rows = readClientRows(adocon());
        if (!rows.ok) {
            closeAdocon();
            return fail(QStringLiteral("Die Mandanten konnten nicht aus der Lohndatenbank gelesen "
                                       "werden."),
                        rows.error);
        }
        for (const QString &row : rows.rows)
            mandant.addRow(row);
    }
    for (int row = 0; row < mandant.rows(); ++row)
        mandant.setChecked(row, clientMarkColumn, true);

    ListGridModel list1;
    const FillOutcome filled = FillList(list1, period, clientKeyList(mandant));
    closeAdocon();
    if (!filled.ok)
        return fail(filled.message, filled.details);
    QTextStream out(stdout);
    for (int row = 0; row < list1.rows(); ++row)
        out << list1.rowText(row) << '\n';
    out.flush();
    QTextStream(stderr) << reccount() << " Datensätze\n";
    return 0;
}
