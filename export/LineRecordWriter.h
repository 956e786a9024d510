#pragma once

#include "core/Conversions.h"
#include "export/RecordCheck.h"

#include <QLocale>
#include <QString>
#include <QVariant>

class ServerCallLine;

// Builds the line record of one result row, value by value: each value converted with no
// format pattern, then a back-quote. The record goes straight into the server call line, so
// no record text is built on the way. A value that cannot travel stops the record.
class LineRecordWriter {
public:
    LineRecordWriter(const RecordCheck &check, const QLocale &locale);

    // Starts a record. line: where it goes; nullptr only checks the values.
    void begin(ServerCallLine *line);
    // Adds the next value; false when it cannot be sent (see problem()).
    bool add(const QVariant &value);

    // Why the last add() failed, a German phrase, and the offending value's text.
    const QString &problem() const { return problem_; }
    const QString &problemValue() const { return text_; }
    // The text of the value added last.
    const QString &lastText() const { return text_; }

private:
    const RecordCheck &check_;
    ValueConverter converter_; // regional signs looked up once per run, not per value
    ServerCallLine *line_ = nullptr;
    QString text_;
    QString problem_;
};
