#pragma once

#include "gateway/LineSocket.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>

// One connection to the line service on the ERP server (gateway/mumps/PROTOCOL.md): frames
// over a TCP socket, with TLS when the profile asks for it, every wait bounded by a time-out.
// Bytes only; callers convert text.
// Any time-out, break or garbled frame closes the connection, so a late answer can never be
// taken for the answer to a later line.
class LineClient {
public:
    // The four fields of a reply; reused between calls to spare allocations.
    struct Reply {
        QByteArray code; // "0" when the line ran
        QByteArray errorText;
        QByteArray p0;
        QByteArray output;
        bool ok() const { return code == "0"; }
    };

    LineClient() = default;
    ~LineClient();
    LineClient(const LineClient &) = delete;
    LineClient &operator=(const LineClient &) = delete;

    // Opens the TCP connection, and TLS on it when security.tls is set (the server's
    // certificate checked against security.caFile and host); the greeting follows with greet().
    bool connectTo(const QString &host, const QString &port, int timeoutMs,
                   const LineSecurity &security = {});
    // Sends the greeting (persona 'C' or 'M' and the namespace) and waits for its reply; a
    // refusal closes the connection and puts the server's reason into errorDetails().
    bool greet(char persona, const QByteArray &nameSpace, int timeoutMs);
    // Runs one line. True when a reply arrived (the line itself may have failed: see
    // reply.ok()); false when the connection failed, which closes it.
    bool execute(const QByteArray &line, bool capture, int timeoutMs, Reply &reply);
    // Logs the connection on: company, branch and password travel as data to the server's
    // password check, whose answer comes back in reply.p0 and reply.output (what it wrote).
    // Lines run only after a log-on whose answer names a user. False as for execute().
    bool logOn(const QByteArray &company, const QByteArray &branch, const QByteArray &password,
               int timeoutMs, Reply &reply);
    // Records in flight (the service names "flight"): sendRecord() hands the record of a run
    // to the network without waiting; receive() takes the next reply, in the order sent.
    // runId names the run, number counts its records from 0 (the opening record).
    bool sendRecord(const QByteArray &runId, qint64 number, const QByteArray &line, bool capture,
                    int timeoutMs);
    bool receive(int timeoutMs, Reply &reply);
    // How far the run of this log-on got (reply.p0: last taken`begun`state); stops it.
    bool progress(const QByteArray &runId, int timeoutMs, Reply &reply);
    // Resume tokens (the service names "resume"): registerToken() after a log-on that named a
    // user; resume() logs a fresh connection on with such a token, for progress() alone. The
    // reply of resume() is that of a log-on: the user id, empty when the token is refused.
    bool registerToken(const QByteArray &token, int timeoutMs, Reply &reply);
    bool resume(const QByteArray &token, int timeoutMs, Reply &reply);
    void close();

    bool isOpen() const { return m_socket.isOpen(); }
    bool isTls() const { return m_socket.isTls(); }
    // The last execute() handed its whole line to the network. When it then failed (time-out,
    // break, garbled reply), the server may have run the line.
    bool lineSent() const { return m_lineSent; }
    bool isGreeted() const { return m_greeted; }
    // Whether the greeted service named this request kind ("logon", "line", ...) in its
    // greeting reply: a newer kind is sent only to a service that knows it.
    bool serviceKnows(const QByteArray &kind) const { return m_requestKinds.contains(kind); }
    // Why the last call failed: a German sentence for the user and the technical text.
    QString errorText() const { return m_errorText; }
    QString errorDetails() const { return m_errorDetails; }

private:
    using Deadline = std::chrono::steady_clock::time_point;

    bool sendFrame(Deadline deadline, int timeoutMs);
    bool request(int timeoutMs, Reply &reply);
    // A request of one letter and one text: progress, resume tokens.
    bool shortRequest(char kind, const QByteArray &text, int timeoutMs, Reply &reply);
    bool receiveReply(Deadline deadline, int timeoutMs, Reply &reply);
    bool flushRecords(int timeoutMs);
    bool startTls(const LineSecurity &security, const QString &host, Deadline deadline,
                  int timeoutMs);
    // The message for a failed socket call; always false.
    bool failSocket(LineSocket::Status status, int timeoutMs);
    bool failNeedsTls();
    bool fail(const QString &text, const QString &details);
    bool failBroken(const QString &details);

    LineSocket m_socket;
    bool m_greeted = false;
    QList<QByteArray> m_requestKinds; // from the greeting reply
    bool m_tlsRequired = false;       // the last failure: a TLS service answered a plain request
    bool m_lineSent = false;
    QString m_peer; // "host:port", for messages
    QByteArray m_tx;
    QByteArray m_pending; // records in flight not yet handed to the network
    QByteArray m_rx;
    qsizetype m_rxStart = 0; // first unread byte of m_rx
    QString m_errorText;
    QString m_errorDetails;
};
