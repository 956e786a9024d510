#include "tests/export/PayrollFile.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
// The columns and the default SQL literal of each; "|" separates the table.
struct Column {
    const char *name;
    bool fixla;
    const char *sql;
    const char *text; // what the record carries for the default
};
const Column columns[] = {
    {"DG_ID", true, nullptr, nullptr},
    {"DN_ID", true, nullptr, nullptr},
    {"BV_Nr", false, "7", "7"},
    {"Periode", true, "202403", "202403"},
    {"AbmGrd", false, "NULL", ""},
    {"DVerh", false, "'Ang.'", "Ang."},
    {"GebDat", false, "'1980-03-01'", "01.03.1980"},
    {"Staatsb", false, "'A'", "A"},
    {"Geschlecht", false, "'W'", "W"},
    {"FamSt", false, "'verh.'", "verh."},
    {"Eintritt", false, "'2019-11-15'", "15.11.2019"},
    {"Austritt", false, "NULL", ""},
    {"Urlaub", true, "25.0", "25"},
    {"DGAnteil", true, "540.25", "540,25"},
    {"LA_ID", true, "100", "100"},
    {"Anzahl", true, "1.00", "1"},
    {"Satz", true, "NULL", ""},
    {"Betrag", true, "1234.50", "1234,5"},
    {"Svnr", false, "'1234010380'", "1234010380"},
};
} // namespace

PayrollFile::PayrollFile(const QString &path)
    : path_(path)
    , connection_(QUuid::createUuid().toString()) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path);
    if (!db.open()) {
        error_ = db.lastError().text();
        return;
    }
    QSqlQuery q(db);
    for (const char *statement :
         {"create table Dienstnehmer (DG_ID integer not null, DN_ID integer not null, BV_Nr "
          "integer not null, Svnr varchar(10), GebDat date, Staatsb varchar(3), Geschlecht "
          "char(1), FamSt varchar(10), DVerh varchar(10), Eintritt date, Austritt date, AbmGrd "
          "varchar(4), primary key (DG_ID, DN_ID))",
          "create table DG_Data (DG_ID integer primary key, Name varchar(60) not null)",
          "insert into DG_Data values (3, 'Alpenland Handels GmbH'), (42, 'Gasthof Zur Post'), "
          "(999, 'Übungsmandant')",
          "create table FixLA (DG_ID integer not null, DN_ID integer not null, Periode integer "
          "not null, LA_ID integer not null, Anzahl decimal(12,2), Satz decimal(12,2), Betrag "
          "decimal(12,2), Urlaub decimal(6,1), DGAnteil decimal(12,2))"})
        if (!q.exec(QString::fromLatin1(statement)))
            error_ = q.lastError().text();
}

PayrollFile::~PayrollFile() {
    QSqlDatabase::database(connection_).close();
    QSqlDatabase::removeDatabase(connection_);
}

void PayrollFile::addLine(int client, int employee, const QHash<QString, QString> &sql,
                          const QHash<int, QString> &expected) {
    QStringList employeeNames{QStringLiteral("DG_ID"), QStringLiteral("DN_ID")};
    QStringList employeeValues{QString::number(client), QString::number(employee)};
    QStringList lineNames = employeeNames;
    QStringList lineValues = employeeValues;
    QString record;
    for (int i = 0; i < int(std::size(columns)); ++i) {
        const Column &c = columns[i];
        const QString name = QString::fromLatin1(c.name);
        if (i < 2) {
            record += QString::number(i == 0 ? client : employee) + QLatin1Char('`');
            continue;
        }
        (c.fixla ? lineNames : employeeNames).append(name);
        (c.fixla ? lineValues : employeeValues).append(sql.value(name, QString::fromUtf8(c.sql)));
        record += expected.value(i, QString::fromUtf8(c.text)) + QLatin1Char('`');
    }
    records_.append(record);

    QSqlQuery q(QSqlDatabase::database(connection_));
    for (const auto &[table, names, values] :
         {std::tuple{QStringLiteral("Dienstnehmer"), employeeNames, employeeValues},
          std::tuple{QStringLiteral("FixLA"), lineNames, lineValues}})
        if (!q.exec(QStringLiteral("insert into %1 (%2) values (%3)")
                        .arg(table, names.join(','), values.join(','))))
            error_ = q.lastError().text();
}

void PayrollFile::addLines(int n, int first) {
    for (int i = 0; i < n; ++i)
        addLine(3, first + i);
}
