#pragma once

#include <QString>

class ListGridModel;

// The client list's column that carries the marks.
inline constexpr int clientMarkColumn = 3;

// The client numbers (column 1) of the marked rows of the client list, in row order, each
// followed by ", ", then "1000": "3, 999, 1000"; "1000" alone when nothing is marked.
QString clientKeyList(const ListGridModel &mandant);
