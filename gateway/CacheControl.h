#pragma once

#include "gateway/ErpConnection.h"
#include "gateway/GatewaySettings.h"
#include "gateway/LineChannel.h"

#include <QString>

// The client control of the Caché kind: setting the server property connects, setting the
// namespace property opens that namespace, then lines run one by one and answer in P0. It talks
// to the line service with persona "C", discarding output.
class CacheControl : public ErpConnection {
public:
    // Error codes besides the server's own (its error numbers, positive).
    using enum LineChannel::Code;

    explicit CacheControl(const GatewaySettings &settings = {});

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
    int errorCode() const { return m_channel.errorCode(); }
    QString errorText() const { return m_channel.errorText(); }
    QString errorDetails() const { return m_channel.errorDetails(); }
    QString P0() const { return m_p0; }

    ServerAnswer run(const QString &line) override;
    ServerAnswer logOn(const QString &company, const QString &branch,
                       const QString &password) override;
    void close() override { setServer(QString()); }
    bool isOpen() const override { return m_channel.isOpen(); }
    LineChannel *flightChannel() override {
        return m_channel.takesRecordsInFlight() ? &m_channel : nullptr;
    }
    bool answersByOutput() const override { return false; }
    std::unique_ptr<ErpConnection> reopen(QString *why) override;
    ServerAnswer flightAnswer(bool ok, QString &answer) const override {
        ServerAnswer result = this->answer();
        result.answer.resize(0);
        if (ok)
            result.answer.swap(answer);
        return result;
    }

private:
    ServerAnswer answer() const;
    GatewaySettings m_settings;
    LineSecurity m_security;
    QString m_server;
    QString m_nameSpace;
    QString m_p0;
    LineChannel m_channel;
};
