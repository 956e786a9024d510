#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <memory>

// How the line client secures its connection (profile "TLS=1", INI group [ErpServer]): TLS
// with the server's certificate checked against a CA file and the host name, and a
// certificate of this workstation where the service requires one.
struct LineSecurity {
    bool tls = false;
    QString caFile;            // PEM: the CA certificates the server's must chain to
    QString clientCertificate; // PEM; empty: none offered
    QString clientKey;         // PEM, unencrypted; empty: in the certificate's file
};

// The socket and TLS calls of the line client, nothing else: POSIX sockets here, Winsock on
// Windows, OpenSSL for TLS. Every call keeps to a deadline.
class LineSocket {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class Status {
        Ok,
        TimedOut,
        Closed,   // the peer closed the connection
        Failed,   // a system or TLS error; details() says which
        Rejected, // TLS: the server's certificate did not pass the check
    };

    LineSocket();
    ~LineSocket();
    LineSocket(const LineSocket &) = delete;
    LineSocket &operator=(const LineSocket &) = delete;

    // Connects to host and (numeric) port, trying each of the host's addresses.
    Status connectTo(const QString &host, const QString &port, Deadline deadline);
    // The TLS handshake as a client: checks the server's certificate against the CA file and
    // host, offers the client certificate when one is set.
    Status startTls(const LineSecurity &security, const QString &host, Deadline deadline);
    Status send(const char *data, qsizetype size, Deadline deadline);
    // At least one byte, at most size. With waitInKernel the call may block in the receive
    // itself for up to timeoutMs (a reply is never there right after its request: this spares
    // a poll per line); otherwise it polls up to the deadline.
    Status receive(char *data, qsizetype size, qsizetype &received, Deadline deadline,
                   bool waitInKernel, int timeoutMs);
    void close();

    bool isOpen() const;
    bool isTls() const { return m_tls != nullptr; }
    // The technical text of the last failure: the system's or the TLS library's.
    QString details() const { return m_details; }

private:
    struct Tls;

    Status fail(Status status, const QString &details);
    Status failSystem();
    Status wait(bool forWriting, Deadline deadline);
    Status tlsStep(int result, Deadline deadline);
    bool setReceiveTimeout(int timeoutMs);

    qintptr m_socket = -1;
    int m_receiveTimeoutMs = -1; // as last set, -1 when never
    std::unique_ptr<Tls> m_tls;
    QString m_details;
};
