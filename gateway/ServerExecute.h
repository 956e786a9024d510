#pragma once

#include <QString>

// The command channel: one MUMPS line at a time on the ERP server of the log-on record.

// Runs the line and returns its answer. On failure it has already shown the message
// "Ungültige Anfrage" and returns empty text.
QString ServerExecute(const QString &line);

// The outcome of one line, for callers that must tell a failed line from an empty answer.
struct ServerAnswer {
    bool ok = false;
    QString answer;  // the line's answer; empty when !ok
    QString error;   // why the line failed, as shown to the user
    QString details; // the underlying technical text, shown as the message's details
};

// Like ServerExecute, including the message on failure, but says whether the line ran.
// A line that failed because the connection broke or timed out also clears
// logonRecord().Connected: the connection is gone.
ServerAnswer ServerExecuteChecked(const QString &line);
