#pragma once

#include <QString>

// Opening and closing the ERP server connection of the log-on record. The calling order:
// ReadServerProfile, then CacheConnect or MsmConnect by ServerKind, then any number of
// ServerExecute, then ServerDisconnect.

// Opens the Caché control's connection from ConnectionString and NamespaceName. False, without
// a message, when ConnectionString is empty (the control is not touched) or the control
// reports an error; an earlier Caché connection is then closed and Connected cleared. The
// caller sets Connected on success.
bool CacheConnect();

// Obtains the MSM connection object from the profile file and logs in; on success stores it
// as MsmConnection and sets Connected. False, without a message, on failure; an open earlier
// connection then stays as it was.
bool MsmConnect(const QString &profileName);

// Closes an open connection and clears Connected; does nothing when Connected is false.
void ServerDisconnect();

// Why the last CacheConnect or MsmConnect failed: a German sentence, then the technical text.
QString lastConnectError();

// ReadServerProfile, then CacheConnect or MsmConnect by the profile's kind, and Connected.
// On failure *error (when given) says why, in German; nothing is shown.
bool ConnectByProfile(const QString &profileName, QString *error);
