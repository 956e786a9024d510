#pragma once

#include <QList>
#include <QString>

// The backup of the assignment that kwpctl writes and reads back: one line "key;value" per node
// of ^PERSP(1,20). Plain keys and values stand as they are; a backslash, a semicolon and
// control characters are written \\, \; and \xHH, so that any key and value survive.
namespace AssignmentFile {

QString line(const QString &key, const QString &value);

struct Entry {
    QString key;
    QString value;
};
struct Parsed {
    bool ok = false;
    QList<Entry> entries;
    QString error; // German, naming the line, when !ok
};
// Empty lines are skipped; a key given twice is refused.
Parsed parse(const QString &text);

} // namespace AssignmentFile
