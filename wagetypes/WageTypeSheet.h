#pragma once

#include "common/UserMessages.h"
#include "gateway/ErpConnection.h"
#include "wagetypes/AssignmentLines.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class ListGridModel;

// The command channel as the assignment uses it.
struct AssignmentChannel {
    // Runs one line; on failure it has already told the user ("Ungültige Anfrage").
    std::function<ServerAnswer(const QString &line)> execute;
    // False once the connection is gone; empty: taken as open.
    std::function<bool()> isOpen;
    // Why a line cannot be sent as it is (a character outside the server's character set, a
    // line longer than the server runs), or empty text; empty: every line is taken as sendable.
    std::function<QString(const QString &line)> lineProblem;
};

class ErpGateway;
// The channel of a session's gateway: ServerExecuteChecked, its Connected flag and the check of
// a line against the gateway's character set and longest line.
AssignmentChannel gatewayChannel(ErpGateway &gateway);

// The wage-type assignment as the window holds it: one row per wage type of table Lohnart in
// the wage-type grid (cells "LA", "Bezeichnung", "Zuord. Anzahl", "Zuord. Betrag"), and each
// row's assignment value, count category and amount category joined by a back-quote, as the
// row's hidden text. Loading reads it from ^PERSP(1,20) on the ERP server, a drop edits a row,
// saving writes the subtree as the rows hold it.
//
// Saving never leaves a wage type without its old or its new assignment: it writes every new
// node first and only then removes the nodes that are no longer wanted (cleared assignments,
// keys that are no wage type). A wage type whose assignment could not be read while loading is
// left on the server as it is, unless both its fields were set anew by a drop.
class WageTypeSheet {
public:
    // Grid columns.
    enum Column { KeyColumn = 1, NameColumn = 2, CountColumn = 3, AmountColumn = 4 };

    explicit WageTypeSheet(ListGridModel &lalist);

    // Checks that the server's % holds the back-quote, reads table Lohnart, then the two
    // fields of every wage type. False when the window must not open; the user was told why.
    // Wage types whose fields could not be read are named in a message and loaded as unread.
    bool load(const QSqlDatabase &db, const AssignmentChannel &channel, UserMessages &messages);
    // Only the wage types, every one without an assignment (the start of a restore).
    bool loadWageTypes(const QSqlDatabase &db, UserMessages &messages);

    int rows() const { return int(rows_.size()); }
    QString key(int row) const;
    QString value(int row) const;
    // The row of a wage type, -1 when there is none.
    int rowOfKey(const QString &key) const;
    // The wage types a field of which (count or amount) could not be read and was not set since.
    QStringList unreadKeys() const;
    // The row as the window shows it, then its assignment value: key;name;count;amount;value.
    QString listingLine(int row) const;

    // A category (its "Nr." and "Bezeichnung") dropped on a cell. Only the count and amount
    // columns take it; the row's value keeps the other field and drops anything after it.
    void drop(int row, int column, const QString &number, const QString &name);
    // Replaces a row's assignment value as it is and shows its categories.
    void setValue(int row, const QString &value);

    // Writes the rows to ^PERSP(1,20); see above. Every line is checked before the first is
    // sent: one that cannot be sent stops the save with nothing written. False when a line
    // failed: the user was told what was stored and what was not, and the rows are as they were.
    bool save(const AssignmentChannel &channel, UserMessages &messages);

    // Every node directly under ^PERSP(1,20), in the server's order. False when a line failed
    // or its answer was not understood; *error then says why.
    static bool listStored(const AssignmentChannel &channel, QList<AssignmentLines::Node> *nodes,
                           bool *topHasValue, QString *error);

private:
    enum Unread : quint8 { CountUnread = 1, AmountUnread = 2 };
    struct Row {
        QString key;
        QString name;
        quint8 unread = 0;
    };
    QString rowText(const Row &row, const QString &value) const;
    bool readWageTypes(const QSqlDatabase &db, UserMessages &messages);
    void fillGrid(const QList<QString> &values);
    bool removeUnwanted(const AssignmentChannel &channel, UserMessages &messages,
                        const QSet<QString> &keep, const QSet<QString> &written);

    ListGridModel &lalist_;
    QList<Row> rows_;
};
