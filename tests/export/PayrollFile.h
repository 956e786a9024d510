#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// A small payroll database of the export query's shape (tables Dienstnehmer and FixLA, as
// demo/kwp1.sql reads them, and the clients 3, 42 and 999 in DG_Data), one employee per line, and
// the line record each row must give on a German workstation, written down here independently of
// the program's conversions.
class PayrollFile {
public:
    explicit PayrollFile(const QString &path);
    ~PayrollFile();
    PayrollFile(const PayrollFile &) = delete;
    PayrollFile &operator=(const PayrollFile &) = delete;

    // Adds a payroll line; sql overrides columns by name with SQL literals, expected the
    // texts the record then carries in those columns (by result heading position, from 0).
    void addLine(int client, int employee, const QHash<QString, QString> &sql = {},
                 const QHash<int, QString> &expected = {});
    // Adds n plain lines for client 3 with employees first, first + 1, ...
    void addLines(int n, int first = 1);

    QString path() const { return path_; }
    QStringList expectedRecords() const { return records_; }
    QString error() const { return error_; }

private:
    QString path_;
    QString connection_;
    QStringList records_;
    QString error_;
};
