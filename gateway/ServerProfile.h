#pragma once

#include "gateway/GatewaySettings.h"

#include <QString>
#include <QStringList>

#include <optional>

struct LogonRecord;

// Server profiles: one text file per profile, "<directory>/<name>.mco". The directory is the
// environment variable "windir" when set, otherwise profileDirectory() (GatewaySettings.h).
// Format and keys: gateway/PROFILES.md.

// The file of a profile; the name is used exactly as given.
QString profilePath(const GatewaySettings &settings, const QString &profileName);

// The server a profile names: read from a profile file (readServerProfile) or written into one
// (writeServerProfile).
struct ServerProfile {
    // The two kinds of ERP server; a profile's kind is fixed when it is read.
    enum class Kind { Cache, Msm };
    Kind kind = Kind::Cache;
    QString host;
    QString port;
    QString nameSpace = QStringLiteral("KORVEX");
    bool tls = false; // the line service is reached over TLS ("TLS=1")
};

// The kind as the journal and kwpctl write it: "cache" or "msm".
QString serverKindText(ServerProfile::Kind kind);

// The one reader of profile files. Returns the server of the profile's kind: SERVERCACHE,
// PORTCACHE and NAMESPACE with the marker "[CACHE]", MSMHOST, MSMPORT and MSMNAMESPACE without,
// and TLS. It also sets the log-on record's ServerKind, NamespaceName (the NAMESPACE line,
// whatever the kind) and, for the Caché kind, ConnectionString "CN_IPTCP:host[port]". Empty
// when the file cannot be opened, or when it lacks the host of its kind: an empty or foreign
// file never sends the log-on to a guessed server. The other keys have defaults. No message;
// *error (when given) says in German what is wrong, naming the file and the key.
std::optional<ServerProfile> ReadServerProfile(LogonRecord &record, const GatewaySettings &settings,
                                               const QString &profileName,
                                               QString *error = nullptr);

// The text of a profile file for the target: the Caché keys, or our MSM client's keys.
QByteArray serverProfileText(const ServerProfile &target);

// Why the target cannot be written into a profile, as a German sentence, or empty text: a port
// that is no number from 1 to 65535, a host or namespace with characters no server name has
// (a line end would add a line of its own to the profile).
QString profileTargetProblem(const ServerProfile &target);
// Why a profile of this name must not be written, or empty text: only letters, digits, ".",
// "-" and "_", not starting with a dot, so that the file stays in the profile folder.
QString profileNameProblem(const QString &profileName);

// Writes the profile file; false with a German sentence in *error when the target has a
// problem (profileTargetProblem) or the file cannot be written.
bool writeServerProfile(const QString &path, const ServerProfile &target, QString *error);

// The lines of a profile file with every space removed and line ends dropped; other white
// space stays. The file is in the ANSI code page or UTF-8 (decodeWindowsText). False when the
// file cannot be opened.
bool readProfileLines(const QString &path, QStringList &lines);
