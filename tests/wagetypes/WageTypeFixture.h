#pragma once

#include "tests/support/ErpServerFixture.h"
#include "wagetypes/WageTypeSheet.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

// A payroll database file that holds only table Lohnart, opened read-only as the program opens
// it. Keys are integers as in the payroll database, or text for keys no payroll database has.
class LohnartFile {
public:
    using Rows = QList<QPair<QString, QString>>; // LA_ID, Name
    explicit LohnartFile(const Rows &rows, bool textKeys = false);
    ~LohnartFile();
    LohnartFile(const LohnartFile &) = delete;
    LohnartFile &operator=(const LohnartFile &) = delete;

    QSqlDatabase database() const;
    QString path() const { return dir_.filePath(QStringLiteral("payroll.sqlite")); }
    QString error() const { return error_; }

private:
    QTemporaryDir dir_;
    QString connection_;
    QString error_;
};

class ErpGateway;

// The channel as the program has it (gatewayChannel).
AssignmentChannel programChannel(ErpGateway &gateway);
// Sets the server's % to the back-quote, as the log-on does.
bool setPercent(ErpGateway &gateway);

// Replaces ^PERSP(1,20) by the nodes given: an M subscript expression below ^PERSP(1,20)
// ("\"100\"", "\"x\",1", or empty for ^PERSP(1,20) itself) and the value's bytes.
bool seedAssignment(ErpServerFixture &server, const QList<QPair<QByteArray, QByteArray>> &nodes);
// Everything under ^PERSP(1,20), as the server lists it: "top=value|" when ^PERSP(1,20) has a
// value, then "reference=value|" for each node in $QUERY order.
QByteArray storedAssignment(ErpServerFixture &server);
