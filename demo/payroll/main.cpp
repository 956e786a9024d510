#include "core/Period.h"
#include "demo/payroll/DemoPayroll.h"
#include <QDate>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

// Writes the demo payroll database into an SQLite file or, through ODBC, into an empty
// database of another server.
int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the demo payroll database (tables DG_Data, Lohnart, Dienstnehmer, "
                       "FixLA)."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("SQLite file to (re)create."),
                                 QStringLiteral("file"));
    const QCommandLineOption odbc(QStringLiteral("odbc"),
                                  QStringLiteral("ODBC connection string of an empty database."),
                                  QStringLiteral("connection"));
    const QCommandLineOption period(QStringLiteral("period"),
                                    QStringLiteral("Newest period YYYYMM (default: last month)."),
                                    QStringLiteral("YYYYMM"), defaultPeriod(QDate::currentDate()));
    const QCommandLineOption months(QStringLiteral("months"), QStringLiteral("Periods (24)."),
                                    QStringLiteral("n"), QStringLiteral("24"));
    const QCommandLineOption employees(QStringLiteral("employees"),
                                       QStringLiteral("Regular staff (120)."), QStringLiteral("n"),
                                       QStringLiteral("120"));
    const QCommandLineOption bulk(QStringLiteral("bulk-lines"),
                                  QStringLiteral("Extra lines in the newest period (0)."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed (1)."),
                                  QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption wageTypes(
        QStringLiteral("wagetypes"), QStringLiteral("Wage-type list (demo/wagetypes.txt)."),
        QStringLiteral("file"), QStringLiteral(KWP_SOURCE_DIR "/demo/wagetypes.txt"));
    parser.addOptions({out, odbc, period, months, employees, bulk, seed, wageTypes});
    parser.process(app);

    QTextStream err(stderr);
    DemoOptions options;
    options.lastPeriod = parser.value(period);
    options.months = parser.value(months).toInt();
    options.employees = parser.value(employees).toInt();
    options.bulkLines = parser.value(bulk).toLongLong();
    options.seed = parser.value(seed).toUInt();
    options.wageTypesFile = parser.value(wageTypes);

    DemoResult result;
    if (parser.isSet(out)) {
        result = writeDemoPayrollFile(parser.value(out), options);
    } else if (parser.isSet(odbc)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"));
        db.setDatabaseName(parser.value(odbc));
        if (!db.open()) {
            err << "kwp-demo-db: " << db.lastError().text() << "\n";
            return 1;
        }
        result = writeDemoPayroll(db, options);
    } else {
        parser.showHelp(2);
    }
    if (!result.ok) {
        err << "kwp-demo-db: " << result.error << "\n";
        return 1;
    }
    err << "kwp-demo-db: " << result.lines << " payroll lines up to " << options.lastPeriod << "\n";
    return 0;
}
