#pragma once

#include "gateway/LineSocket.h"

#include <QString>
#include <QStringList>

// How the program reaches ERP servers: where profile files lie, how long it waits, which
// character set the server's text is in. Read once from the program's INI file.
struct GatewaySettings {
    int connectTimeoutMs = 5000; // opening a connection, including the namespace greeting
    int answerTimeoutMs = 30000; // waiting for the answer to one line
    QString charset = QStringLiteral("windows-1252"); // see ServerCharset
    QString profileDirectory; // empty: the default place, see profileDirectory()
    LineSecurity security;    // TLS files; whether TLS is used comes from the profile ("TLS=1")
    // The longest line the server runs, in bytes (one per character in its character sets):
    // GT.M compiles no longer XECUTE argument.
    int maxLineLength = 8192;
    // Export records sent ahead of their answers, to a service that takes them
    // ("RecordsInFlight", 0 sends one at a time).
    int recordsInFlight = 1024;
};

// Reads group [ErpServer] of the program's INI file into settings: "ProfileDirectory",
// "Charset", "ConnectTimeout" and "AnswerTimeout" (seconds, may have a decimal point),
// "CaFile", "ClientCertificate", "ClientKey" (relative to the INI), "MaxLineLength" (bytes),
// "RecordsInFlight" (0 to 8192).
// Missing keys keep their values. Returns a German sentence for each value it could not use (an
// unusable time-out keeps its value; an unknown character set is kept, so that connecting fails
// with a clear message rather than sending wrong bytes).
QStringList loadGatewaySettings(const QString &iniPath, GatewaySettings &settings);

// The longest line a caller may build: the server's limit less what the line service may add
// before it runs the line (for the MSM persona it writes its version text for each $ZV).
int usableLineLength(const GatewaySettings &settings);

// Why the line cannot be sent as it is, as a German sentence: a character the server's
// character set cannot hold, or longer than usableLineLength(). Empty when it can.
QString lineProblem(const GatewaySettings &settings, const QString &line);

// Directory of the profile files when "windir" is not set: $KWP_PROFILE_DIR when set (an
// administrator's override), else the configured directory, else "kwp-import/profiles" in the
// user's configuration directory.
QString profileDirectory(const GatewaySettings &settings);
