#include "core/PayrollDatabase.h"

#include <clocale>

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

QString odbcValue(const QString &value) {
    static const QRegularExpression needsBraces(QStringLiteral("[;{}]|^\\s|\\s$"));
    if (!value.contains(needsBraces))
        return value;
    return QLatin1Char('{') + QString(value).replace(QLatin1Char('}'), QLatin1String("}}")) +
           QLatin1Char('}');
}

namespace {
// Keywords the program sets itself, or that would set the server or the login otherwise.
bool reservedKeyword(const QString &keyword) {
    static const QStringList reserved{QStringLiteral("DRIVER"),
                                      QStringLiteral("DSN"),
                                      QStringLiteral("FILEDSN"),
                                      QStringLiteral("SERVER"),
                                      QStringLiteral("UID"),
                                      QStringLiteral("PWD"),
                                      QStringLiteral("TRUSTED_CONNECTION"),
                                      QStringLiteral("AUTHENTICATION"),
                                      QStringLiteral("ENCRYPT"),
                                      QStringLiteral("TRUSTSERVERCERTIFICATE")};
    return reserved.contains(keyword.trimmed().toUpper());
}

// ODBC keywords hold none of []{}(),;?*=!@ and no blank at either end.
bool validKeyword(const QString &keyword) {
    static const QRegularExpression invalid(QStringLiteral("[\\[\\]{}(),;?*=!@]|^\\s|\\s$"));
    return !keyword.isEmpty() && !keyword.contains(invalid);
}
} // namespace

QString sqlServerConnectionString(const SqlServerSettings &settings, QString *problem) {
    QString text = QStringLiteral("Driver={%1};Server=%2;UID=%3;PWD=%4;")
                       .arg(QString(settings.driver).replace(QLatin1Char('}'), QLatin1String("}}")),
                            odbcValue(settings.dataSource), QLatin1String(payrollUser),
                            QLatin1String(payrollPassword));
    const auto append = [&text](const QString &keyword, const QString &value) {
        text += keyword + QLatin1Char('=') + odbcValue(value) + QLatin1Char(';');
    };
    if (!settings.encrypt.isEmpty())
        append(QStringLiteral("Encrypt"), settings.encrypt);
    if (!settings.trustServerCertificate.isEmpty())
        append(QStringLiteral("TrustServerCertificate"), settings.trustServerCertificate);
    for (const auto &[keyword, value] : settings.attributes) {
        if (!validKeyword(keyword)) {
            if (problem)
                *problem = QStringLiteral("\u201E%1\u201C ist kein gültiges Attribut eines "
                                          "ODBC-Treibers.")
                               .arg(keyword);
            return {};
        }
        if (reservedKeyword(keyword)) {
            if (problem)
                *problem = QStringLiteral("Das Attribut \u201E%1\u201C legt das Programm selbst "
                                          "fest (Treiber, Server und die feste Anmeldung; die "
                                          "Verschlüsselung mit Encrypt und "
                                          "TrustServerCertificate in [Payroll]).")
                               .arg(keyword);
            return {};
        }
        append(keyword, value);
    }
    return text;
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

namespace {
// A value as written: QSettings reads a value with a comma as a list.
QString iniText(const QSettings &ini, const QString &key, const QString &fallback = QString()) {
    const QVariant value = ini.value(key, fallback);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
} // namespace

PayrollSource payrollSourceFromIni(const QString &iniPath) {
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Payroll"));
    const QString sqliteFile = iniText(ini, QStringLiteral("SqliteFile"));
    if (!sqliteFile.isEmpty())
        return {PayrollSource::Kind::Sqlite, sqliteFile};
    SqlServerSettings settings;
    settings.dataSource = iniText(ini, QStringLiteral("DataSource"), QStringLiteral("localhost"));
    settings.driver =
        iniText(ini, QStringLiteral("Driver"), QStringLiteral("ODBC Driver 18 for SQL Server"));
    settings.encrypt = iniText(ini, QStringLiteral("Encrypt"));
    settings.trustServerCertificate = iniText(ini, QStringLiteral("TrustServerCertificate"));
    ini.endGroup();
    ini.beginGroup(QStringLiteral("PayrollDriver"));
    for (const QString &keyword : ini.childKeys())
        settings.attributes.append({keyword, iniText(ini, keyword)});

    QString problem;
    const QString text = sqlServerConnectionString(settings, &problem);
    if (!problem.isEmpty())
        problem = QStringLiteral("[PayrollDriver] in %1: %2").arg(iniPath, problem);
    return {PayrollSource::Kind::Odbc, text, problem};
}

PayrollConnection::PayrollConnection()
    : name(QStringLiteral("adocon-%1").arg(quintptr(this), 0, 16)) {}

PayrollConnection::~PayrollConnection() {
    close();
}

OpenResult PayrollConnection::open(const PayrollSource &source) {
    close();
    if (!source.problem.isEmpty())
        return {false, source.problem};
    const QString driver = source.kind == PayrollSource::Kind::Sqlite ? QStringLiteral("QSQLITE")
                                                                      : QStringLiteral("QODBC");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return {false, QStringLiteral("Qt SQL driver %1 not available").arg(driver)};
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
    db.setDatabaseName(source.target);
    if (source.kind == PayrollSource::Kind::Sqlite) {
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    } else {
        db.setConnectOptions(QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY"));
        // ODBC drivers hand exact decimals over as text written under the C library's numeric
        // locale, which Qt sets from the environment: "3862,50" under German settings could no
        // longer be read as a number. The program's own formatting goes through QLocale.
        std::setlocale(LC_NUMERIC, "C");
    }
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
