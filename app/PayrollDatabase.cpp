#include "app/PayrollDatabase.h"

#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>
#include <QStandardPaths>

QString PayrollSource::describe() const {
    if (kind == Kind::Sqlite)
        return target;
    QString text = target;
    static const QRegularExpression password(QStringLiteral("(PWD|Password)=[^;]*"),
                                             QRegularExpression::CaseInsensitiveOption);
    return text.replace(password, QStringLiteral("\\1=***"));
}

QString sqlServerConnectionString(const QString &dataSource, const QString &driver) {
    return QStringLiteral("Driver={%1};Server=%2;UID=%3;PWD=%4;")
        .arg(driver, dataSource, QLatin1String(payrollUser), QLatin1String(payrollPassword));
}

PayrollSource payrollSourceFromOption(const QString &option) {
    if (option.startsWith(QLatin1String("odbc:")))
        return {PayrollSource::Kind::Odbc, option.mid(5)};
    return {PayrollSource::Kind::Sqlite, option};
}

QString payrollIniPath() {
    const QString fromEnvironment = qEnvironmentVariable("KWP_INI");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/KORVEX/kwp-import.ini");
}

PayrollSource payrollSourceFromIni(const QString &iniPath) {
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Payroll"));
    const QString sqliteFile = ini.value(QStringLiteral("SqliteFile")).toString();
    if (!sqliteFile.isEmpty())
        return {PayrollSource::Kind::Sqlite, sqliteFile};
    return {PayrollSource::Kind::Odbc,
            sqlServerConnectionString(
                ini.value(QStringLiteral("DataSource"), QStringLiteral("localhost")).toString(),
                ini.value(QStringLiteral("Driver"), QStringLiteral("ODBC Driver 18 for SQL Server"))
                    .toString())};
}

PayrollConnection::PayrollConnection()
    : name(QStringLiteral("adocon-%1").arg(quintptr(this), 0, 16)) {}

PayrollConnection::~PayrollConnection() {
    close();
}

OpenResult PayrollConnection::open(const PayrollSource &source) {
    close();
    const QString driver = source.kind == PayrollSource::Kind::Sqlite ? QStringLiteral("QSQLITE")
                                                                      : QStringLiteral("QODBC");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return {false, QStringLiteral("Qt SQL driver %1 not available").arg(driver)};
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
    db.setDatabaseName(source.target);
    if (source.kind == PayrollSource::Kind::Sqlite)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    else
        db.setConnectOptions(QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY"));
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!db.open()) {
        const QString error = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return {false, error.isEmpty() ? source.describe() : error};
    }
    return {true, {}};
}

QSqlDatabase PayrollConnection::database() const {
    return QSqlDatabase::database(name, false);
}

bool PayrollConnection::isOpen() const {
    return QSqlDatabase::contains(name) && database().isOpen();
}

void PayrollConnection::close() {
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
