#include "kwpctl/Commands.h"

#include "app/ClientKeys.h"
#include "app/ListGridModel.h"
#include "app/PayrollDatabase.h"
#include "app/PayrollLists.h"
#include "app/QueryFile.h"
#include "gateway/LogonRecord.h"
#include "gateway/ServerConnection.h"
#include "gateway/ServerExecute.h"
#include "wagetypes/AssignmentFile.h"
#include "wagetypes/PeriodWageTypes.h"
#include "wagetypes/WageTypeSheet.h"

#include <QCommandLineParser>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace {
const QString usage = QStringLiteral(
    "Aufruf:\n"
    "  kwpctl wagetypes --db DB --profile NAME\n"
    "  kwpctl wagetypes --dump --profile NAME\n"
    "  kwpctl wagetypes --restore FILE --db DB --profile NAME\n"
    "  kwpctl wagetypes --unassigned --period P [--clients 3,999] --db DB --profile NAME");

int fail(const QString &text) {
    QTextStream(stderr) << text << '\n';
    return 2;
}

// What a run holds open: the payroll database and the server connection; both are closed at
// the end, whatever happened.
class Connections {
public:
    ~Connections() {
        if (connected_)
            ServerDisconnect();
        if (databaseOpen_)
            closeAdocon();
    }
    bool openDatabase(const QString &option, QString *error) {
        const PayrollSource source = payrollSourceFromOption(option);
        const OpenResult opened = openAdocon(source);
        databaseOpen_ = opened.ok;
        if (!opened.ok)
            *error = QStringLiteral("Die Lohndatenbank konnte nicht geöffnet werden (%1): %2")
                         .arg(source.describe(), opened.error);
        return opened.ok;
    }
    bool connect(const QString &profile, QString *error) {
        connected_ = ConnectByProfile(profile, error);
        return connected_;
    }

private:
    bool databaseOpen_ = false;
    bool connected_ = false;
};

// The clients of --clients, or all that the main window lists, as the client key list.
bool clientKeys(const QString &option, QString *keys, QString *error) {
    ListGridModel mandant;
    if (option.isEmpty()) {
        const PayrollList clients = readClientRows(adocon());
        if (!clients.ok) {
            *error = QStringLiteral("Die Mandanten konnten nicht gelesen werden: ") + clients.error;
            return false;
        }
        mandant.setRows(clients.rows);
    } else {
        static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
        for (const QString &client : option.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!number.match(client.trimmed()).hasMatch()) {
                *error = QStringLiteral("--clients erwartet Mandantennummern, durch Kommas "
                                        "getrennt, etwa 3,999; „%1“ ist keine.")
                             .arg(client);
                return false;
            }
            mandant.addRow(client.trimmed());
        }
    }
    for (int row = 0; row < mandant.rows(); ++row)
        mandant.setChecked(row, clientMarkColumn, true);
    *keys = clientKeyList(mandant);
    return true;
}
} // namespace

// kwpctl wagetypes: the wage-type assignment without a window. Lists it as the window shows it,
// backs it up (--dump), writes a backup back (--restore), or names the wage types of a period
// that have no category (--unassigned). Exit code 0 on success, 1 when --unassigned found some,
// 2 on any failure; output only when the whole run succeeded.
int runWageTypesCommand(const QStringList &arguments) {
    QCommandLineParser parser;
    const QCommandLineOption db(QStringLiteral("db"), QString(), QStringLiteral("DB"));
    const QCommandLineOption profile(QStringLiteral("profile"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption dump(QStringLiteral("dump"));
    const QCommandLineOption restore(QStringLiteral("restore"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption unassigned(QStringLiteral("unassigned"));
    const QCommandLineOption period(QStringLiteral("period"), QString(), QStringLiteral("P"));
    const QCommandLineOption clients(QStringLiteral("clients"), QString(), QStringLiteral("LIST"));
    parser.addOptions({db, profile, dump, restore, unassigned, period, clients});
    if (!parser.parse(QStringList{QStringLiteral("kwpctl")} + arguments))
        return fail(parser.errorText() + QLatin1Char('\n') + usage);
    const int modes =
        int(parser.isSet(dump)) + int(parser.isSet(restore)) + int(parser.isSet(unassigned));
    const bool needsDatabase = !parser.isSet(dump);
    if (modes > 1 || !parser.positionalArguments().isEmpty() || !parser.isSet(profile) ||
        (needsDatabase && !parser.isSet(db)) || parser.isSet(unassigned) != parser.isSet(period) ||
        (parser.isSet(clients) && !parser.isSet(unassigned)))
        return fail(usage);

    Connections connections;
    QString error;
    if (needsDatabase && !connections.openDatabase(parser.value(db), &error))
        return fail(error);

    QString query, keys;
    if (parser.isSet(unassigned)) {
        const QueryFileText file = readQueryFile();
        if (!file.ok)
            return fail(
                QStringLiteral("Die Abfragedatei „kwp1.sql“ konnte nicht gelesen werden: ") +
                file.error);
        query = file.text;
        if (!clientKeys(parser.value(clients), &keys, &error))
            return fail(error);
    }
    if (!connections.connect(parser.value(profile), &error))
        return fail(error);

    StderrMessages messages;
    const AssignmentChannel channel{ServerExecuteChecked, [] { return logonRecord().Connected; }};
    ListGridModel lalist;
    WageTypeSheet sheet(lalist);
    QString out;

    if (parser.isSet(dump)) {
        QList<AssignmentLines::Node> nodes;
        if (!WageTypeSheet::listStored(channel, &nodes, nullptr, &error))
            return fail(QStringLiteral("Die Zuordnung konnte nicht gelesen werden: ") + error);
        for (const AssignmentLines::Node &node : nodes)
            if (node.hasValue)
                out += AssignmentFile::line(node.key, node.value) + QLatin1Char('\n');
    } else if (parser.isSet(restore)) {
        QFile file(parser.value(restore));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("Die Sicherung „%1“ kann nicht gelesen werden: %2")
                            .arg(file.fileName(), file.errorString()));
        const AssignmentFile::Parsed backup =
            AssignmentFile::parse(QString::fromUtf8(file.readAll()));
        if (!backup.ok)
            return fail(backup.error + QStringLiteral(" Es wurde nichts geschrieben."));
        if (!sheet.loadWageTypes(adocon(), messages))
            return 2;
        QStringList unknown;
        for (const AssignmentFile::Entry &entry : backup.entries)
            if (sheet.rowOfKey(entry.key) < 0)
                unknown.append(entry.key);
        if (!unknown.isEmpty())
            return fail(QStringLiteral("Die Sicherung nennt Lohnarten, die es in der "
                                       "Lohndatenbank nicht gibt: %1. Es wurde nichts "
                                       "geschrieben.")
                            .arg(unknown.join(QStringLiteral(", "))));
        for (const AssignmentFile::Entry &entry : backup.entries)
            sheet.setValue(sheet.rowOfKey(entry.key), entry.value);
        if (!sheet.save(channel, messages))
            return 2;
    } else {
        if (!sheet.load(adocon(), channel, messages))
            return 2;
        if (!sheet.unreadKeys().isEmpty())
            return fail(QStringLiteral("Die Zuordnung ist unvollständig gelesen; es wird nichts "
                                       "ausgegeben."));
        if (parser.isSet(unassigned)) {
            const PeriodWageTypes occurring =
                readPeriodWageTypes(adocon(), query, parser.value(period), keys);
            if (!occurring.ok)
                return fail(occurring.details.isEmpty() ? occurring.message
                                                        : occurring.message + QStringLiteral(" (") +
                                                              occurring.details + QLatin1Char(')'));
            const QStringList missing = unassignedKeys(sheet, occurring.keys);
            for (const QString &key : missing)
                out += key + QLatin1Char(';') + lalist.cellText(sheet.rowOfKey(key), 2) +
                       QLatin1Char('\n');
            QTextStream stream(stdout);
            stream.setEncoding(QStringConverter::Utf8);
            stream << out;
            return missing.isEmpty() ? 0 : 1;
        }
        for (int row = 0; row < sheet.rows(); ++row)
            out += sheet.listingLine(row) + QLatin1Char('\n');
    }
    QTextStream stream(stdout);
    stream.setEncoding(QStringConverter::Utf8);
    stream << out;
    return 0;
}
