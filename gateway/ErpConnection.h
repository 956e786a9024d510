#pragma once

#include <QString>

#include <memory>

class LineChannel;

// The outcome of one line, for callers that must tell a failed line from an empty answer.
struct ServerAnswer {
    bool ok = false;
    QString answer;  // the line's answer; empty when !ok
    QString error;   // why the line failed, as shown to the user
    QString details; // the underlying technical text, shown as the message's details
    // !ok, and the line went out whole before the answer was lost (a time-out, a break): the
    // server may have run it.
    bool mayHaveRun = false;
};

// An open way to the ERP server, whatever its kind: the Caché control or the MSM connection
// object. The gateway chooses the kind once, from the server profile, and then only talks to
// this interface.
class ErpConnection {
public:
    virtual ~ErpConnection() = default;
    // Runs one line; on failure the answer carries the text the user is shown for this kind.
    virtual ServerAnswer run(const QString &line) = 0;
    // Logs the connection on with the server's password check (company, branch and password
    // travel as data); the answer is the check's. The line service runs no line before.
    virtual ServerAnswer logOn(const QString &company, const QString &branch,
                               const QString &password) = 0;
    // Closes the connection (the Caché control's empty server property, MSM's Logout).
    virtual void close() = 0;
    // False once the connection was closed or dropped after a time-out or a break.
    virtual bool isOpen() const = 0;

    // Records in flight (gateway/mumps/PROTOCOL.md): the channel, when its service takes them,
    // and whether an answer is what the line wrote (else P0).
    virtual LineChannel *flightChannel() = 0;
    virtual bool answersByOutput() const = 0;
    // A new connection to the same server, logged on with the resume token of this one's last
    // log-on (no password is kept): it may ask a run's progress, nothing else. The token is used
    // up. Null when it cannot be opened or the service took no token (*why says why).
    virtual std::unique_ptr<ErpConnection> reopen(QString *why) = 0;
    // The answer of the flight channel's last call as run() would give it; takes answer.
    virtual ServerAnswer flightAnswer(bool ok, QString &answer) const = 0;
};
