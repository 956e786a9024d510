#include "gateway/CacheControl.h"

CacheControl::CacheControl(const GatewaySettings &settings)
    : m_settings(settings) {}

void CacheControl::setServer(const QString &server) {
    m_channel.close();
    m_server = server;
    m_channel.succeed();
    if (server.isEmpty())
        return;

    const QString prefix = QStringLiteral("CN_IPTCP:");
    const qsizetype open = server.lastIndexOf(QLatin1Char('['));
    if (!server.startsWith(prefix) || open < 0 || !server.endsWith(QLatin1Char(']'))) {
        m_channel.fail(LineChannel::BadServerText,
                       QStringLiteral("Die Serverangabe \u201E%1\u201C hat nicht die Form "
                                      "\u201ECN_IPTCP:Rechner[Port]\u201C.")
                           .arg(server));
        return;
    }
    const QString host = server.mid(prefix.size(), open - prefix.size());
    const QString port = server.mid(open + 1, server.size() - open - 2);
    if (host.isEmpty() || port.isEmpty()) {
        m_channel.fail(LineChannel::BadServerText,
                       QStringLiteral("In der Serverangabe \u201E%1\u201C fehlt der Rechner oder "
                                      "der Port; bitte das Serverprofil ergänzen.")
                           .arg(server));
        return;
    }
    m_channel.connectTo(host, port, m_settings, m_security);
}

void CacheControl::setNameSpace(const QString &nameSpace) {
    m_nameSpace = nameSpace;
    if (m_channel.isOpen()) {
        // Another namespace needs a fresh connection: the service fixes it at the greeting.
        setServer(m_server);
    }
    if (m_channel.awaitsGreeting())
        m_channel.greet('C', m_nameSpace);
}

void CacheControl::execute(const QString &line) {
    // A server property written without a namespace after it opens the one held.
    if (m_channel.awaitsGreeting() && !m_channel.greet('C', m_nameSpace)) {
        m_p0.resize(0);
        return;
    }
    m_channel.run(line, false, m_p0);
}

ServerAnswer CacheControl::run(const QString &line) {
    execute(line);
    return answer();
}

ServerAnswer CacheControl::logOn(const QString &company, const QString &branch,
                                 const QString &password) {
    m_channel.takeResumeToken(); // the earlier log-on's token goes with it
    if (!m_channel.awaitsGreeting() || m_channel.greet('C', m_nameSpace))
        m_channel.logOn(company, branch, password, false, m_p0);
    else
        m_p0.resize(0);
    const ServerAnswer result = answer();
    if (result.ok && !result.answer.section(QLatin1Char('`'), 0, 0).isEmpty())
        m_channel.registerResumeToken();
    return result;
}

std::unique_ptr<ErpConnection> CacheControl::reopen(QString *why) {
    const QByteArray token = m_channel.takeResumeToken();
    if (token.isEmpty()) {
        if (why)
            *why = QStringLiteral("no resume token: the line service took none");
        return nullptr;
    }
    auto fresh = std::make_unique<CacheControl>(m_settings);
    fresh->setSecurity(m_security);
    fresh->setServer(m_server);
    fresh->setNameSpace(m_nameSpace);
    const bool resumed = fresh->m_channel.resume(token, false, fresh->m_p0);
    const ServerAnswer logon = fresh->answer();
    if (resumed && !logon.answer.section(QLatin1Char('`'), 0, 0).isEmpty())
        return fresh;
    if (why)
        *why =
            logon.ok ? QStringLiteral("resume token refused") : logon.error + ' ' + logon.details;
    return nullptr;
}

ServerAnswer CacheControl::answer() const {
    ServerAnswer result;
    if (errorCode() != LineChannel::NoError) {
        result.error = errorText();
        result.details = errorDetails();
        result.mayHaveRun = errorCode() == LineChannel::AnswerLost;
        return result;
    }
    result.ok = true;
    result.answer = m_p0;
    return result;
}
