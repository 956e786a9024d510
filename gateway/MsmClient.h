#pragma once

#include "gateway/ErpConnection.h"
#include "gateway/GatewaySettings.h"
#include "gateway/LineChannel.h"
#include "gateway/ServerProfile.h"

#include <QString>

#include <memory>

// The MSM connection object: obtained from a profile file, it finds its line service through
// the profile's MSM keys (gateway/PROFILES.md) and talks to it with persona "M", capturing what
// each line writes: that is the answer of Xecute. Failures are "raised" as a false result;
// errorText()/errorDetails() say why.
class MsmClient : public ErpConnection {
public:
    // The server of an MSM profile (ReadServerProfile), with TLS when it says so; the TLS files
    // come from the settings.
    MsmClient(const ServerProfile &profile, const GatewaySettings &settings);
    MsmClient(const QString &host, const QString &port, const QString &nameSpace,
              const GatewaySettings &settings = {});

    void setSecurity(const LineSecurity &security) { m_security = security; }
    bool Login();
    // What the line wrote, in written; false when the line or the connection failed.
    bool Xecute(const QString &line, QString &written);
    void Logout();

    QString host() const { return m_host; }
    QString port() const { return m_port; }
    QString nameSpace() const { return m_nameSpace; }
    QString errorText() const { return m_channel.errorText(); }
    QString errorDetails() const { return m_channel.errorDetails(); }

    ServerAnswer run(const QString &line) override;
    ServerAnswer logOn(const QString &company, const QString &branch,
                       const QString &password) override;
    void close() override { Logout(); }
    bool isOpen() const override { return m_channel.isOpen(); }
    LineChannel *flightChannel() override {
        return m_channel.takesRecordsInFlight() ? &m_channel : nullptr;
    }
    bool answersByOutput() const override { return true; }
    std::unique_ptr<ErpConnection> reopen(QString *why) override;
    ServerAnswer flightAnswer(bool ok, QString &answer) const override {
        return this->answer(ok, answer);
    }

private:
    ServerAnswer answer(bool ok, QString &written) const;
    QString m_host;
    QString m_port;
    QString m_nameSpace;
    GatewaySettings m_settings;
    LineSecurity m_security;
    LineChannel m_channel;
};
