#pragma once

#include "common/UserMessages.h"
#include "gateway/ErpConnection.h"
#include "gateway/GatewaySettings.h"
#include "gateway/LogonRecord.h"

#include <QString>

// The way of one session to the ERP server: its log-on record with the connection, the
// settings, and where the channel's messages go. The calling order: ReadServerProfile, then
// CacheConnect or MsmConnect by ServerKind (ConnectByProfile does both), then any number of
// ServerExecute, then ServerDisconnect.
class ErpGateway {
public:
    explicit ErpGateway(UserMessages &messages, const GatewaySettings &settings = {});

    LogonRecord logon;
    GatewaySettings settings;
    UserMessages &messages;

    // Reads the profile into the log-on record; false when it cannot be read, no message.
    bool ReadServerProfile(const QString &profileName);

    // Opens a Caché control's connection from ConnectionString and NamespaceName; it replaces
    // the record's connection. False, without a message, when ConnectionString is empty (nothing
    // is touched) or the control reports an error (Connected is then cleared). The caller sets
    // Connected on success.
    bool CacheConnect();

    // Obtains the MSM connection object from the profile file and logs in; on success it
    // replaces the record's connection and sets Connected. False, without a message, on
    // failure; an open earlier connection then stays as it was.
    bool MsmConnect(const QString &profileName);

    // Closes an open connection and clears Connected; does nothing when Connected is false.
    void ServerDisconnect();

    // Why the last CacheConnect or MsmConnect failed: a German sentence, then the technical text.
    QString lastConnectError() const { return m_connectError; }

    // ReadServerProfile, then CacheConnect or MsmConnect by the profile's kind, and Connected.
    // On failure *error (when given) says why, in German; nothing is shown.
    bool ConnectByProfile(const QString &profileName, QString *error);

    // Runs the line and returns its answer. On failure it has already shown the message
    // "Ungültige Anfrage" and returns empty text.
    QString ServerExecute(const QString &line);

    // Like ServerExecute, including the message on failure, but says whether the line ran.
    // A line that failed because the connection broke or timed out also clears Connected.
    ServerAnswer ServerExecuteChecked(const QString &line);

private:
    QString m_connectError;
};
