#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <utility>

// Where the payroll data comes from: SQL Server through ODBC in production, an SQLite file for
// the demo and for tests.
struct PayrollSource {
    enum class Kind { Odbc, Sqlite };
    PayrollSource() = default;
    PayrollSource(Kind kind, const QString &target, const QString &problem = QString())
        : kind(kind)
        , target(target)
        , problem(problem) {}

    Kind kind = Kind::Odbc;
    QString target; // the ODBC connection string, or the SQLite file path
    // Why the configuration gives no usable connection (German); opening then fails with it.
    QString problem;

    // For messages: the file path, or the ODBC string without its password.
    QString describe() const;
};

// The fixed read-only login of the payroll database.
inline constexpr char payrollUser[] = "KWPRO";
inline constexpr char payrollPassword[] = "QDRAMVK";

// The SQL Server connection as configured.
struct SqlServerSettings {
    QString dataSource; // "host\instance"
    QString driver;     // the ODBC driver's name
    // Encryption of the connection ("Encrypt": yes, no, strict) and whether the server's own,
    // for instance self-signed, certificate is trusted ("TrustServerCertificate": yes, no);
    // empty leaves the driver's default.
    QString encrypt;
    QString trustServerCertificate;
    QList<std::pair<QString, QString>> attributes; // further driver attributes, keyword and value
};

// An attribute value as ODBC takes it: in braces, with "}" doubled, when it holds ";", "{" or
// "}" or starts or ends with a blank; so no value can end its attribute and add one of its own.
QString odbcValue(const QString &value);

// The DSN-less ODBC connection string with the fixed read-only login. Empty, with a German
// sentence in *problem, when a further attribute is no ODBC keyword or would replace the
// driver, the server, the login or the encryption keys.
QString sqlServerConnectionString(const SqlServerSettings &settings, QString *problem);

// The --db option: "odbc:" followed by a connection string, otherwise an SQLite file path.
PayrollSource payrollSourceFromOption(const QString &option);

// The configuration file: "kwp-import.ini" in the user's configuration folder
// (~/.config/KORVEX/kwp-import.ini on Linux), or the file named by KWP_INI.
QString payrollIniPath();

// Reads group [Payroll] of the configuration file: "SqliteFile" selects an SQLite file;
// otherwise "DataSource" (default "localhost"), "Driver" (default "ODBC Driver 18 for SQL
// Server"), "Encrypt", "TrustServerCertificate" and every key of group [PayrollDriver] (further
// driver attributes) build the SQL Server connection.
PayrollSource payrollSourceFromIni(const QString &iniPath = payrollIniPath());

struct OpenResult {
    bool ok = false;
    QString error; // the driver's description when !ok
};

// The payroll connection of a session (`adocon`): opened read-only, closed at the latest when
// the object goes. Each object has a connection of its own, so sessions never share one.
class PayrollConnection {
public:
    PayrollConnection();
    ~PayrollConnection();
    PayrollConnection(const PayrollConnection &) = delete;
    PayrollConnection &operator=(const PayrollConnection &) = delete;

    // Opens the connection read-only; replaces an open one.
    OpenResult open(const PayrollSource &source);
    // The open connection (invalid before open()).
    QSqlDatabase database() const;
    bool isOpen() const;
    // Closes the connection if it was opened.
    void close();

private:
    QString name; // Qt's name of the connection
};
