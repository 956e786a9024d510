#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The M lines that read and write the wage-type assignment in ^PERSP(1,20,key)=value, where the
// value is the count's and the amount's category, joined by a back-quote. Keys and values are
// spelled as M string expressions (mumpsString), so no text can break a line.
namespace AssignmentLines {

// S P0=$P($G(^PERSP(1,20,"key")),%,1) W:$F($ZV,"MSM") P0, field 1 (count) or 2 (amount). The
// field is split at the server's local % that the log-on sets to the back-quote.
QString read(const QString &key, int field);
// S ^PERSP(1,20,"key")="value"
QString write(const QString &key, const QString &value);
// Answers 1 when the server's local % holds the back-quote, 0 otherwise.
QString percentCheck();

// Answers a batch of the nodes directly under ^PERSP(1,20) that follow the key after (from the
// first when empty), in the server's order; read with NodeBatch::parse.
QString listNodes(const QString &after, bool fromStart);

// One node directly under ^PERSP(1,20).
struct Node {
    QString key;
    QString value; // empty when it has no value of its own
    bool hasValue = false;
    bool hasChildren = false;
};

struct NodeBatch {
    bool ok = false;          // false: the answer was not in the form listNodes gives
    bool topHasValue = false; // ^PERSP(1,20) itself holds a value
    bool more = false;        // further nodes follow the last one
    QList<Node> nodes;
    static NodeBatch parse(const QString &answer);
};

// Lines that each kill some of the keys (many keys to a line, each line well below the
// engine's limit on a line's length).
QStringList killKeys(const QStringList &keys);
// Removes what lies below ^PERSP(1,20,"key") and keeps its value, in one transaction.
QString pruneChildren(const QString &key);
// Removes the value of ^PERSP(1,20) itself, leaving its subtree.
QString clearTopValue();

} // namespace AssignmentLines
