#include "kwpctl/Commands.h"

#include "core/ListGridModel.h"
#include "wagetypes/AssignmentFile.h"
#include "wagetypes/PeriodWageTypes.h"
#include "wagetypes/WageTypeSheet.h"

#include <QFile>
#include <QTextStream>

namespace {
// Reads the backup of --restore into the sheet, as the whole new assignment; false when the
// file cannot be read, is not whole or names keys that are no wage type (the user was told).
bool readBackup(CommandContext &context, WageTypeSheet &sheet) {
    QFile file(context.options.value(QStringLiteral("restore")));
    if (!file.open(QIODevice::ReadOnly)) {
        context.fail(QStringLiteral("Die Sicherung „%1“ kann nicht gelesen werden: %2")
                         .arg(file.fileName(), file.errorString()));
        return false;
    }
    const AssignmentFile::Parsed backup = AssignmentFile::parse(QString::fromUtf8(file.readAll()));
    if (!backup.ok) {
        context.fail(backup.error + QStringLiteral(" Es wurde nichts geschrieben."));
        return false;
    }
    if (!sheet.loadWageTypes(context.session.adocon.database(), context.messages))
        return false;
    QStringList unknown;
    for (const AssignmentFile::Entry &entry : backup.entries)
        if (sheet.rowOfKey(entry.key) < 0)
            unknown.append(entry.key);
    if (!unknown.isEmpty()) {
        context.fail(QStringLiteral("Die Sicherung nennt Lohnarten, die es in der Lohndatenbank "
                                    "nicht gibt: %1. Es wurde nichts geschrieben.")
                         .arg(unknown.join(QStringLiteral(", "))));
        return false;
    }
    for (const AssignmentFile::Entry &entry : backup.entries)
        sheet.setValue(sheet.rowOfKey(entry.key), entry.value);
    return true;
}

// The wage-type assignment without a window: lists it as the window shows it, backs it up
// (--dump), writes a backup back (--restore), or names the wage types of a period that have no
// category (--unassigned, exit code 1 when there are any). Output only when the whole run
// succeeded.
int wageTypes(CommandContext &context) {
    const QCommandLineParser &options = context.options;
    Session &session = context.session;
    const int modes = int(options.isSet(QStringLiteral("dump"))) +
                      int(options.isSet(QStringLiteral("restore"))) +
                      int(options.isSet(QStringLiteral("unassigned")));
    const bool needsDatabase = !options.isSet(QStringLiteral("dump"));
    if (modes > 1 || !options.positionalArguments().isEmpty() ||
        (needsDatabase && !options.isSet(QStringLiteral("db"))) ||
        (options.isSet(QStringLiteral("clients")) && !options.isSet(QStringLiteral("unassigned"))))
        return context.failUsage(QStringLiteral("Diese Angaben passen nicht zusammen."));
    QString keys, error;
    if (options.isSet(QStringLiteral("unassigned"))) {
        if (!context.openPayroll() || !context.clientKeys(keys))
            return Failure;
    } else if (needsDatabase && !context.openDatabase()) {
        return Failure;
    }
    ListGridModel lalist;
    WageTypeSheet sheet(lalist);
    if (options.isSet(QStringLiteral("restore")) && !readBackup(context, sheet))
        return Failure;
    // The log-on sets the server's % that the assignment's read lines split at.
    if (!context.logOn())
        return Failure;
    const QString query = session.sqltext;
    QString out;

    UserMessages &messages = context.messages;
    const AssignmentChannel channel = gatewayChannel(session.gateway);

    if (options.isSet(QStringLiteral("dump"))) {
        QList<AssignmentLines::Node> nodes;
        if (!WageTypeSheet::listStored(channel, &nodes, nullptr, &error))
            return context.fail(QStringLiteral("Die Zuordnung konnte nicht gelesen werden: ") +
                                error);
        QList<AssignmentFile::Entry> entries;
        for (const AssignmentLines::Node &node : nodes)
            if (node.hasValue)
                entries.append({node.key, node.value});
        out = AssignmentFile::text(entries);
    } else if (options.isSet(QStringLiteral("restore"))) {
        if (!sheet.save(channel, messages))
            return Failure;
    } else {
        if (!sheet.load(session.adocon.database(), channel, messages))
            return Failure;
        if (!sheet.unreadKeys().isEmpty())
            return context.fail(
                QStringLiteral("Die Zuordnung ist unvollständig gelesen; es wird nichts "
                               "ausgegeben."));
        if (options.isSet(QStringLiteral("unassigned"))) {
            const PeriodWageTypes occurring =
                readPeriodWageTypes(session.adocon.database(), query, context.period(), keys);
            if (!occurring.ok)
                return context.fail(occurring.message, occurring.details);
            const QStringList missing = unassignedKeys(sheet, occurring.keys);
            for (const QString &key : missing)
                out += key + QLatin1Char(';') + lalist.cellText(sheet.rowOfKey(key), 2) +
                       QLatin1Char('\n');
            QTextStream stream(stdout);
            stream.setEncoding(QStringConverter::Utf8);
            stream << out;
            return missing.isEmpty() ? Success : RefusedByServer;
        }
        for (int row = 0; row < sheet.rows(); ++row)
            out += sheet.listingLine(row) + QLatin1Char('\n');
    }
    QTextStream stream(stdout);
    stream.setEncoding(QStringConverter::Utf8);
    stream << out;
    return Success;
}
} // namespace

Command wageTypesCommand() {
    return {QStringLiteral("wagetypes"),
            QStringLiteral("--db DB | --dump | --restore DATEI --db DB | --unassigned --db DB "
                           "[--period P] [--clients 3,999]; Anmeldung wie bei export"),
            QStringLiteral("Zeigt, sichert oder schreibt die Lohnarten-Zuordnung "
                           "(^PERSP(1,20))"),
            {CommonOptions::db(),
             {QStringLiteral("dump"), QStringLiteral("Gibt jeden Knoten als Schlüssel;Wert aus.")},
             {QStringLiteral("restore"),
              QStringLiteral("Schreibt eine Sicherung als die ganze neue Zuordnung zurück."),
              QStringLiteral("DATEI")},
             {QStringLiteral("unassigned"),
              QStringLiteral("Nennt die Lohnarten der Periode ohne Zuordnung (Rückgabewert 1).")},
             CommonOptions::period(),
             CommonOptions::clients(),
             CommonOptions::profile(),
             CommonOptions::company(),
             CommonOptions::branch()},
            wageTypes};
}
