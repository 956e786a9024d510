#pragma once

#include <QSqlDatabase>
#include <QString>

// Where the payroll data comes from: SQL Server through ODBC in production, an SQLite file for
// the demo and for tests.
struct PayrollSource {
    enum class Kind { Odbc, Sqlite };
    Kind kind = Kind::Odbc;
    QString target; // the ODBC connection string, or the SQLite file path

    // For messages: the file path, or the ODBC string without its password.
    QString describe() const;
};

// The fixed read-only login of the payroll database.
inline constexpr char payrollUser[] = "KWPRO";
inline constexpr char payrollPassword[] = "QDRAMVK";

// The DSN-less ODBC connection string to the payroll server ("host\instance") with the fixed
// read-only login.
QString sqlServerConnectionString(const QString &dataSource, const QString &driver);

// The --db option: "odbc:" followed by a connection string, otherwise an SQLite file path.
PayrollSource payrollSourceFromOption(const QString &option);

// The configuration file: "kwp-import.ini" in the user's configuration folder
// (~/.config/KORVEX/kwp-import.ini on Linux), or the file named by KWP_INI.
QString payrollIniPath();

// Reads group [Payroll] of the configuration file: "SqliteFile" selects an SQLite file;
// otherwise "DataSource" (default "localhost") and "Driver" (default "ODBC Driver 18 for SQL
// Server") build the SQL Server connection.
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
