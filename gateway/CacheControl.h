#pragma once

#include "gateway/ErpConnection.h"
#include "gateway/LineClient.h"
#include "gateway/ServerCharset.h"

#include <QString>

#include <optional>

// The client control of the Caché kind (the program's one instance, VisM1): setting the server
// property connects, setting the namespace property opens that namespace, then lines run one
// by one and answer in P0. It talks to the line service with persona "C", discarding output.
class CacheControl : public ErpConnection {
public:
    // Error codes besides the server's own (its error numbers, positive).
    enum : int {
        NoError = 0,
        NotConnected = -1,
        ConnectFailed = -2,
        ConnectionLost = -3,
        Unencodable = -4,
        BadServerText = -5,
        UnknownCharset = -6,
        LineRejected = -7,
    };

    // "CN_IPTCP:host[port]" closes any open connection and connects; empty text disconnects.
    // The namespace is opened by the next setNameSpace(), or else by the next execute().
    void setServer(const QString &server);
    QString server() const { return m_server; }
    // Opens the namespace on the connected server; stored for later when not connected.
    void setNameSpace(const QString &nameSpace);
    QString nameSpace() const { return m_nameSpace; }
    // TLS for the connections that setServer() opens from now on.
    void setSecurity(const LineSecurity &security) { m_security = security; }

    // Runs the line; errorCode() tells whether it ran, P0() then holds its answer.
    void execute(const QString &line);
    int errorCode() const { return m_errorCode; }
    QString errorText() const { return m_errorText; }
    QString errorDetails() const { return m_errorDetails; }
    QString P0() const;

    ServerAnswer run(const QString &line) override;
    bool isOpen() const override { return m_client.isOpen() && m_client.isGreeted(); }

private:
    void greet();
    void setError(int code, const QString &text, const QString &details);
    void takeClientError();

    QString m_server;
    QString m_nameSpace;
    LineSecurity m_security;
    LineClient m_client;
    LineClient::Reply m_reply;
    QByteArray m_line;
    std::optional<ServerCharset> m_charset;
    int m_errorCode = NoError;
    QString m_errorText;
    QString m_errorDetails;
};

// The program's one control; created on first use, lives until the program ends.
CacheControl &cacheControl();
