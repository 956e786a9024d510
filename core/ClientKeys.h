#pragma once

#include <QString>
#include <QStringList>

class ListGridModel;

// The client list's column that carries the marks.
inline constexpr int clientMarkColumn = 3;

// The client numbers, each followed by ", ", then "1000": "3, 999, 1000"; "1000" alone for none.
QString clientKeyList(const QStringList &numbers);

// The client numbers (column 1) of the marked rows of the client list, in row order.
QStringList markedClientNumbers(const ListGridModel &mandant);

// The key list of the marked clients.
QString clientKeyList(const ListGridModel &mandant);

// The numbers of client list row texts ("number;name").
QStringList clientNumbers(const QStringList &rows);

// The numbers of a "3,999" option; false when any is not digits only (they go into SQL).
bool parseClientNumbers(const QString &option, QStringList &numbers);
