#include "gateway/MsmClient.h"

#include "gateway/GatewayTexts.h"
#include "gateway/GetPiece.h"
#include "gateway/ServerProfile.h"

#include <QFileInfo>

std::unique_ptr<MsmClient> MsmClient::fromProfile(const QString &path,
                                                  const GatewaySettings &settings, QString *error) {
    QStringList lines;
    if (!readProfileLines(path, lines)) {
        if (error)
            *error = QStringLiteral("Die Profildatei \u201E%1\u201C kann nicht gelesen werden.")
                         .arg(path);
        return nullptr;
    }
    QString host;
    QString port = QStringLiteral("1972");
    QString nameSpace = QStringLiteral("KORVEX");
    LineSecurity security = settings.security;
    for (const QString &line : lines) {
        const QString key = GetPiece(line, QLatin1Char('='), 1);
        const QString value = GetPiece(line, QLatin1Char('='), 2);
        if (key == QLatin1String("MSMHOST"))
            host = value;
        else if (key == QLatin1String("MSMPORT"))
            port = value;
        else if (key == QLatin1String("MSMNAMESPACE"))
            nameSpace = value;
        else if (key == QLatin1String("TLS"))
            security.tls = value == QLatin1String("1");
    }
    // No host, no server: never a guessed one.
    if (host.isEmpty()) {
        if (error)
            *error = GatewayTexts::profileKeyMissing(QFileInfo(path).completeBaseName(), path,
                                                     QStringLiteral("MSMHOST"));
        return nullptr;
    }
    auto client = std::make_unique<MsmClient>(host, port, nameSpace, settings);
    client->setSecurity(security);
    return client;
}

MsmClient::MsmClient(const QString &host, const QString &port, const QString &nameSpace,
                     const GatewaySettings &settings)
    : m_host(host)
    , m_port(port)
    , m_nameSpace(nameSpace)
    , m_settings(settings) {}

bool MsmClient::Login() {
    m_channel.close();
    if (!ServerCharset::byName(m_settings.charset))
        return m_channel.fail(LineChannel::UnknownCharset,
                              GatewayTexts::unknownCharset(m_settings.charset));
    if (m_host.isEmpty() || m_port.isEmpty())
        return m_channel.fail(LineChannel::BadServerText,
                              QStringLiteral("Im Serverprofil fehlt MSMHOST oder MSMPORT."));
    return m_channel.connectTo(m_host, m_port, m_settings, m_security) &&
           m_channel.greet('M', m_nameSpace);
}

bool MsmClient::Xecute(const QString &line, QString &written) {
    return m_channel.run(line, true, written);
}

void MsmClient::Logout() {
    m_channel.close();
}

ServerAnswer MsmClient::run(const QString &line) {
    QString written;
    const bool ok = Xecute(line, written);
    return answer(ok, written);
}

ServerAnswer MsmClient::logOn(const QString &company, const QString &branch,
                              const QString &password) {
    m_company = company;
    m_branch = branch;
    m_password = password;
    QString written;
    const bool ok = m_channel.logOn(company, branch, password, true, written);
    return answer(ok, written);
}

std::unique_ptr<ErpConnection> MsmClient::reopen(QString *why) const {
    auto fresh = std::make_unique<MsmClient>(m_host, m_port, m_nameSpace, m_settings);
    fresh->setSecurity(m_security);
    if (!fresh->Login()) {
        if (why)
            *why = fresh->errorText() + ' ' + fresh->errorDetails();
        return nullptr;
    }
    const ServerAnswer logon = fresh->logOn(m_company, m_branch, m_password);
    if (logon.ok && !logon.answer.section(QLatin1Char('`'), 0, 0).isEmpty())
        return fresh;
    if (why)
        *why = logon.ok ? QStringLiteral("log-on refused") : logon.error + ' ' + logon.details;
    return nullptr;
}

ServerAnswer MsmClient::answer(bool ok, QString &written) const {
    ServerAnswer result;
    if (ok) {
        result.ok = true;
        result.answer.swap(written);
        return result;
    }
    result.mayHaveRun = m_channel.errorCode() == LineChannel::AnswerLost;
    result.error = GatewayTexts::invalidRequest();
    result.details =
        errorDetails().isEmpty() ? errorText() : errorText() + QLatin1Char(' ') + errorDetails();
    return result;
}
