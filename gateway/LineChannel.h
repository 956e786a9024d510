#pragma once

#include "gateway/GatewaySettings.h"
#include "gateway/LineClient.h"
#include "gateway/ServerCharset.h"

#include <QString>

#include <optional>

// A connection to the line service that speaks the ERP server's character set: lines go out
// encoded, answers come back decoded. Both kinds of server connection run their lines through
// one of these; they differ only in how they open it and which answer they take.
class LineChannel {
public:
    // Why the last call failed; the server's own error numbers are positive.
    enum Code : int {
        NoError = 0,
        NotConnected = -1,
        ConnectFailed = -2,
        ConnectionLost = -3,
        Unencodable = -4,
        BadServerText = -5,
        UnknownCharset = -6,
        LineRejected = -7,
        // The line went out whole, then the answer was lost (time-out, break): it may have run.
        AnswerLost = -8,
    };

    // Opens the TCP connection with the settings' character set and time-outs, with TLS when
    // security says so; greet() follows.
    bool connectTo(const QString &host, const QString &port, const GatewaySettings &settings,
                   const LineSecurity &security);
    // Greets the service: persona 'C' answers in P0, 'M' also captures what a line writes.
    bool greet(char persona, const QString &nameSpace);
    // Runs one line. The answer is P0, or with capture what the line wrote.
    bool run(const QString &line, bool capture, QString &answer);
    // Logs the connection on (LineClient::logOn); the answer is the check's P0, or with
    // capture what it wrote.
    bool logOn(const QString &company, const QString &branch, const QString &password, bool capture,
               QString &answer);
    void close();

    // Records in flight (PROTOCOL.md): whether the service takes them, the record sent without
    // waiting, the next answer in the order sent (Skipped: the run had stopped before it, it
    // did not run), and how far a run got, asked on another connection of the same log-on.
    static constexpr int Skipped = 6;
    // Records go ahead of their answers only where a fresh connection can learn how far they
    // got after a lost answer: the log-on holds a resume token, or this connection resumed
    // with one. Otherwise one at a time.
    bool takesRecordsInFlight() const {
        return m_resumable && isOpen() && m_client.serviceKnows("flight");
    }
    bool sendRecord(const QByteArray &runId, qint64 number, const QString &line, bool capture);
    bool takeRecordAnswer(bool capture, QString &answer);
    bool progress(const QByteArray &runId, QString &answer);

    // Resume tokens (PROTOCOL.md), so that no password is kept for a fresh connection: after
    // a log-on that named a user, a new random token (128 bits) registered with the service
    // and kept here until takeResumeToken() hands it on (empty when the service took none). A
    // fresh connection logs on with it by resume() to ask progress() and nothing else; the
    // answer as logOn()'s. Once handed on, no record goes in flight here any more.
    void registerResumeToken();
    QByteArray takeResumeToken();
    bool resume(const QByteArray &token, bool capture, QString &answer);

    // Connected and greeted.
    bool isOpen() const { return m_client.isOpen() && m_client.isGreeted(); }
    // Connected, greeting still to come.
    bool awaitsGreeting() const { return m_client.isOpen() && !m_client.isGreeted(); }

    int errorCode() const { return m_errorCode; }
    QString errorText() const { return m_errorText; }
    QString errorDetails() const { return m_errorDetails; }
    // Records a failure found by the caller (a malformed server text, say).
    bool fail(int code, const QString &text, const QString &details = QString());
    // Clears the last failure; true.
    bool succeed() { return fail(NoError, QString()); }

private:
    bool takeClientError(int codeWhileOpen);
    // The reply of a line or log-on that went out: its answer, or why it failed.
    bool takeReply(bool sent, bool capture, QString &answer);

    LineClient m_client;
    LineClient::Reply m_reply;
    QByteArray m_line;
    std::optional<ServerCharset> m_charset;
    int m_connectTimeoutMs = 5000;
    int m_answerTimeoutMs = 30000;
    bool m_resumable = false; // a resume token stands for this connection's log-on
    QByteArray m_resumeToken; // the token this log-on registered, until it is handed on
    int m_errorCode = NoError;
    QString m_errorText;
    QString m_errorDetails;
};
