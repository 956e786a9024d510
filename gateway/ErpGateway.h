#pragma once

#include "common/UserMessages.h"
#include "gateway/ErpConnection.h"
#include "gateway/GatewaySettings.h"
#include "gateway/Logon.h"
#include "gateway/LogonRecord.h"

#include <QString>

#include <functional>

class LogonSettings;

// How a log-on attempt ended.
struct LogonResult {
    enum class Outcome {
        LoggedOn,     // UserId and UserName are set
        NotReachable, // the profile could not be read or its server not connected
        BadValues,    // company or branch is not a number: nothing was sent
        Rejected,     // empty or wrong password, or the check line failed
    };
    Outcome outcome = Outcome::Rejected;
    QString message; // German, for NotReachable and BadValues
    QString details;
    QString fiscalYear; // the server's, when logged on
};

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

    // Reads the profile into the log-on record; false when it cannot be read or names no host,
    // no message; *error (when given) says why.
    bool ReadServerProfile(const QString &profileName, QString *error = nullptr);

    // Opens a Caché control's connection from ConnectionString and NamespaceName; it replaces
    // the record's connection. False, without a message, when ConnectionString is empty (nothing
    // is touched) or the control reports an error (Connected is then cleared). The caller sets
    // Connected on success.
    bool CacheConnect();

    // Obtains the MSM connection object for the profile's server (ReadServerProfile) and logs
    // in; on success it replaces the record's connection and sets Connected. False, without a
    // message, on failure; an open earlier connection then stays as it was.
    bool MsmConnect(const ServerProfile &profile);

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

    // Shows the message of a line that failed outside ServerExecuteChecked (a record in
    // flight) as ServerExecuteChecked would, and clears Connected when the connection dropped.
    ServerAnswer ServerFailed(const ServerAnswer &failed) {
        return told(failed, logon.connection.get());
    }

    // Like ServerExecute, including the message on failure, but says whether the line ran.
    // A line that failed because the connection broke or timed out also clears Connected.
    ServerAnswer ServerExecuteChecked(const QString &line);

    // The password check on the server: empty text without a request when the password is
    // empty, otherwise the answer of the connection's log-on request (empty when it failed; the
    // user was told). Company and branch must be plain numbers (logonValueProblem), the caller
    // checks them.
    QString CheckServerPassword(const QString &company, const QString &branch,
                                const QString &password);

    // Connects the values' profile on a new connection, then checks company, branch and
    // password on the server; on success sets ProfileName, CompanyNo, BranchNo, UserId and
    // UserName and the new connection replaces the session's. Otherwise the session's connection
    // and server values stay as they were. Shows nothing itself but a failed check request.
    LogonResult LogOn(const LogonValues &values);

    // The start-up log-on: the values of the command line, or else the stored ones; connect;
    // password check; fiscal-year warning; the login dialog (showLoginDialog, modal, with the
    // boxes' texts) when the values do not lead to a log-on. False when the server cannot be
    // reached (the user was told) or nobody is logged on in the end.
    bool ServerLogin(const QString &argumentText, const LogonSettings &stored,
                     const std::function<void(const LogonValues &boxes)> &showLoginDialog);

    // The log-off: closes the connection; sends nothing.
    void ServerLogout() { ServerDisconnect(); }

private:
    LogonResult logOnNewConnection(const LogonValues &values);
    // The one place that fills the log-on record after a check that named a user: profile,
    // company, branch, user id and name. The password is not kept.
    void takeLogOn(const LogonValues &values, const QString &checkAnswer);
    // A failed answer is shown ("Ungültige Anfrage") and clears Connected when the connection
    // dropped; an answer without a connection is made one.
    ServerAnswer told(ServerAnswer result, const ErpConnection *connection);

    QString m_connectError;
};
