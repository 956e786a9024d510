#include "gateway/MsmClient.h"

#include "gateway/GatewayTexts.h"

MsmClient::MsmClient(const ServerProfile &profile, const GatewaySettings &settings)
    : MsmClient(profile.host, profile.port, profile.nameSpace, settings) {
    m_security = settings.security;
    m_security.tls = profile.tls;
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
    m_channel.takeResumeToken(); // the earlier log-on's token goes with it
    QString written;
    const bool ok = m_channel.logOn(company, branch, password, true, written);
    const ServerAnswer result = answer(ok, written);
    if (result.ok && !result.answer.section(QLatin1Char('`'), 0, 0).isEmpty())
        m_channel.registerResumeToken();
    return result;
}

std::unique_ptr<ErpConnection> MsmClient::reopen(QString *why) {
    const QByteArray token = m_channel.takeResumeToken();
    if (token.isEmpty()) {
        if (why)
            *why = QStringLiteral("no resume token: the line service took none");
        return nullptr;
    }
    auto fresh = std::make_unique<MsmClient>(m_host, m_port, m_nameSpace, m_settings);
    fresh->setSecurity(m_security);
    if (!fresh->Login()) {
        if (why)
            *why = fresh->errorText() + ' ' + fresh->errorDetails();
        return nullptr;
    }
    QString written;
    const bool resumed = fresh->m_channel.resume(token, true, written);
    const ServerAnswer logon = fresh->answer(resumed, written);
    if (logon.ok && !logon.answer.section(QLatin1Char('`'), 0, 0).isEmpty())
        return fresh;
    if (why)
        *why =
            logon.ok ? QStringLiteral("resume token refused") : logon.error + ' ' + logon.details;
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
