#include "kwpctl/Commands.h"

#include "app/ClientKeys.h"
#include "app/Globals.h"
#include "app/ListGridModel.h"
#include "app/PayrollDatabase.h"
#include "app/PayrollLists.h"
#include "app/QueryFile.h"
#include "export/ExportProgressView.h"
#include "export/ExportRun.h"
#include "export/RecordCheck.h"
#include "gateway/ServerConnection.h"
#include "gateway/ServerExecute.h"

#include <QCoreApplication>
#include <QRegularExpression>
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

int fail(const QString &text) {
    QTextStream(stderr) << text << '\n';
    return 2;
}

// The clients as the main window lists them, every one marked, or those of --clients.
bool clientKeys(const QString &option, QString &keys, QString &error) {
    ListGridModel mandant;
    if (option.isNull()) {
        const PayrollList clients = readClientRows(adocon());
        if (!clients.ok) {
            error = QStringLiteral("Die Mandanten konnten nicht gelesen werden: ") + clients.error;
            return false;
        }
        for (const QString &row : clients.rows)
            mandant.addRow(row);
    } else {
        // The numbers go into the statement as they are: digits only.
        static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
        for (const QString &client : option.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!number.match(client.trimmed()).hasMatch()) {
                error = QStringLiteral("--clients erwartet Mandantennummern, durch Kommas "
                                       "getrennt, etwa 3,999; „%1“ ist keine.")
                            .arg(client);
                return false;
            }
            mandant.addRow(client.trimmed());
        }
    }
    for (int row = 0; row < mandant.rows(); ++row)
        mandant.setChecked(row, clientMarkColumn, true);
    keys = clientKeyList(mandant);
    return true;
}
} // namespace

// kwpctl export --db DB --profile NAME --period P [--clients 3,999]: the export run without a
// window. Exit code 0: completed (the number of records taken on standard output); 1: the
// server refused a record; 2: any other failure.
int runExportCommand(const QStringList &arguments) {
    QString db, profile, period, clients;
    for (qsizetype i = 0; i + 1 < arguments.size(); i += 2) {
        const QString &key = arguments[i];
        const QString &value = arguments[i + 1];
        if (key == QLatin1String("--db"))
            db = value;
        else if (key == QLatin1String("--profile"))
            profile = value;
        else if (key == QLatin1String("--period"))
            period = value;
        else if (key == QLatin1String("--clients"))
            clients = value;
        else
            return fail(QStringLiteral("Unbekannte Angabe „%1“.").arg(key));
    }
    if (arguments.size() % 2 != 0 || db.isEmpty() || profile.isEmpty() || period.isNull())
        return fail(QStringLiteral("Aufruf: kwpctl export --db DB --profile NAME --period P "
                                   "[--clients 3,999]"));

    const OpenResult opened = openAdocon(payrollSourceFromOption(db));
    if (!opened.ok)
        return fail(QStringLiteral("Die Lohndatenbank konnte nicht geöffnet werden: ") +
                    opened.error);
    const QueryFileText query = readQueryFile();
    if (!query.ok)
        return fail(QStringLiteral("Die Abfragedatei „kwp1.sql“ konnte nicht gelesen werden: ") +
                    query.error);
    sqltext() = query.text;
    QString keys, error;
    if (!clientKeys(clients, keys, error))
        return fail(error);
    QString connectError;
    if (!ConnectByProfile(profile, &connectError))
        return fail(connectError);

    StderrProgress progress;
    const RecordCheck check = RecordCheck::forServer();
    ExportRun run(check, progress,
                  {[](bool) {},
                   [] {
                       QCoreApplication::processEvents();
                       return true;
                   },
                   [&] {
                       return ExportSelection{keys, period};
                   },
                   ServerExecuteChecked});
    const ExportRun::Outcome outcome = run.run(adocon(), sqltext(), ExportRun::countLines);
    ServerDisconnect();
    closeAdocon();

    switch (outcome) {
    case ExportRun::Outcome::Completed: {
        const qint64 records = run.linesTaken() + 1;
        QTextStream(stderr) << "Export abgeschlossen: Der ERP-Server hat den Eröffnungssatz und "
                            << run.linesTaken() << " Zeilen übernommen.\n";
        QTextStream(stdout) << records << '\n';
        return 0;
    }
    case ExportRun::Outcome::Refused:
        return 1;
    default:
        return 2;
    }
}
