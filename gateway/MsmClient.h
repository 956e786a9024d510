#pragma once

#include "gateway/ErpConnection.h"
#include "gateway/LineClient.h"
#include "gateway/ServerCharset.h"

#include <QString>

#include <memory>
#include <optional>

// The MSM connection object (LogonRecord::MsmConnection): obtained from a profile file, it
// finds its line service through the profile's MSM keys (gateway/PROFILES.md) and talks to it
// with persona "M", capturing what each line writes: that is the answer of Xecute.
// Failures are "raised" as a false result; errorText()/errorDetails() say why.
class MsmClient : public ErpConnection {
public:
    // Reads MSMHOST, MSMPORT, MSMNAMESPACE and TLS of the profile file; null when it cannot be
    // read. The TLS files come from gatewaySettings().
    static std::shared_ptr<MsmClient> fromProfile(const QString &path, QString *error);
    MsmClient(const QString &host, const QString &port, const QString &nameSpace);

    void setSecurity(const LineSecurity &security) { m_security = security; }
    bool Login();
    // What the line wrote, in written; false when the line or the connection failed.
    bool Xecute(const QString &line, QString &written);
    void Logout();

    QString host() const { return m_host; }
    QString port() const { return m_port; }
    QString nameSpace() const { return m_nameSpace; }
    QString errorText() const { return m_errorText; }
    QString errorDetails() const { return m_errorDetails; }

    ServerAnswer run(const QString &line) override;
    bool isOpen() const override { return m_client.isOpen() && m_client.isGreeted(); }

private:
    bool fail(const QString &text, const QString &details);

    QString m_host;
    QString m_port;
    QString m_nameSpace;
    LineSecurity m_security;
    std::optional<ServerCharset> m_charset;
    LineClient m_client;
    LineClient::Reply m_reply;
    QByteArray m_line;
    QString m_errorText;
    QString m_errorDetails;
};
