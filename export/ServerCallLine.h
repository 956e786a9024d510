#pragma once

#include "gateway/MumpsString.h"

#include <QString>
#include <QStringView>

// The MUMPS line that hands one record to the ERP server's import:
//   S P0=$$WINKWP^BRKWPCOM("<record>") W:$F($ZV,"MSM") P0
// The record travels as a string expression that the server evaluates to the record exactly
// (MumpsStringWriter). The line is built in one buffer that is reused from record to record.
class ServerCallLine {
public:
    // Starts a new line; the record's text follows with append().
    void begin();
    void append(QStringView text) { record_.append(text); }
    void append(QChar c) { record_.append(c); }
    // Ends the record and the line; the returned text is valid until the next begin().
    const QString &finish();

    const QString &text() const { return line_; }
    // The length the line will have once finished.
    qsizetype finishedLength() const;
    // The longest line a record of this many characters can give (all of them control
    // characters between plain ones).
    static qsizetype longestLineFor(qsizetype recordLength);

    // The whole line for one record.
    static QString forRecord(QStringView record);

private:
    QString line_;
    MumpsStringWriter record_;
};
