#pragma once

#include <QList>
#include <QString>

// The backup of the assignment that kwpctl writes and reads back:
//
//   KWP-Import Lohnarten-Zuordnung, Format 1
//   key;value                                   (one line per node of ^PERSP(1,20))
//   Ende der Sicherung, Einträge: 2
//
// The head line says what the file is, the last line how many entries it holds, so that an
// empty, cut or foreign file is never taken for an assignment. Plain keys and values stand as
// they are; a backslash, a semicolon and control characters are written \\, \; and \xHH, so
// that any key and value survive.
namespace AssignmentFile {

struct Entry {
    QString key;
    QString value;
};

// One entry line, without its line end.
QString line(const QString &key, const QString &value);
// The whole backup of the entries: head line, entry lines, last line, each ended by "\n".
QString text(const QList<Entry> &entries);

struct Parsed {
    bool ok = false;
    QList<Entry> entries;
    QString error; // German, naming the line, when !ok
};
// Refuses a text without the head line, without the last line or whose count differs from the
// entries, and a key given twice. Empty lines between the entries are skipped.
Parsed parse(const QString &text);

} // namespace AssignmentFile
