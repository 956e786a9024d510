#include "gateway/CacheControl.h"

#include "gateway/GatewaySettings.h"

CacheControl &cacheControl() {
    static CacheControl VisM1;
    return VisM1;
}

void CacheControl::setError(int code, const QString &text, const QString &details) {
    m_errorCode = code;
    m_errorText = text;
    m_errorDetails = details;
}

void CacheControl::takeClientError() {
    setError(m_client.isOpen() ? LineRejected : ConnectionLost, m_client.errorText(),
             m_client.errorDetails());
}

void CacheControl::setServer(const QString &server) {
    m_client.close();
    m_server = server;
    setError(NoError, QString(), QString());
    if (server.isEmpty())
        return;

    const QString prefix = QStringLiteral("CN_IPTCP:");
    const qsizetype open = server.lastIndexOf(QLatin1Char('['));
    if (!server.startsWith(prefix) || open < 0 || !server.endsWith(QLatin1Char(']'))) {
        setError(BadServerText,
                 QStringLiteral("Die Serverangabe \u201E%1\u201C hat nicht die Form "
                                "\u201ECN_IPTCP:Rechner[Port]\u201C.")
                     .arg(server),
                 QString());
        return;
    }
    const QString host = server.mid(prefix.size(), open - prefix.size());
    const QString port = server.mid(open + 1, server.size() - open - 2);
    if (host.isEmpty() || port.isEmpty()) {
        setError(BadServerText,
                 QStringLiteral("In der Serverangabe \u201E%1\u201C fehlt der Rechner oder der "
                                "Port; bitte das Serverprofil ergänzen.")
                     .arg(server),
                 QString());
        return;
    }

    const QString charsetName = gatewaySettings().charset;
    m_charset = ServerCharset::byName(charsetName);
    if (!m_charset) {
        setError(UnknownCharset,
                 QStringLiteral("Der eingestellte Zeichensatz \u201E%1\u201C des ERP-Servers ist "
                                "unbekannt; möglich sind windows-1252 und iso-8859-1.")
                     .arg(charsetName),
                 QString());
        return;
    }
    if (!m_client.connectTo(host, port, gatewaySettings().connectTimeoutMs, m_security))
        setError(ConnectFailed, m_client.errorText(), m_client.errorDetails());
}

void CacheControl::setNameSpace(const QString &nameSpace) {
    m_nameSpace = nameSpace;
    if (!m_client.isOpen() || !m_charset)
        return;
    if (m_client.isGreeted()) {
        // Another namespace needs a fresh connection: the service fixes it at the greeting.
        setServer(m_server);
        if (!m_client.isOpen())
            return;
    }
    greet();
}

void CacheControl::greet() {
    QByteArray encoded;
    QString error;
    if (!m_charset->encode(m_nameSpace, encoded, &error)) {
        m_client.close();
        setError(Unencodable, error, QString());
        return;
    }
    if (!m_client.greet('C', encoded, gatewaySettings().connectTimeoutMs))
        setError(ConnectFailed, m_client.errorText(), m_client.errorDetails());
    else
        setError(NoError, QString(), QString());
}

void CacheControl::execute(const QString &line) {
    m_reply.p0.resize(0);
    // A server property written without a namespace after it opens the one held.
    if (m_client.isOpen() && !m_client.isGreeted()) {
        greet();
        if (!isOpen())
            return;
    }
    if (!isOpen()) {
        setError(NotConnected,
                 QStringLiteral("Es besteht keine Verbindung zum ERP-Server. Die Zeile wurde "
                                "nicht gesendet."),
                 QString());
        return;
    }
    m_line.resize(0); // keeps the buffer for the next line
    QString error;
    if (!m_charset->encode(line, m_line, &error)) {
        setError(Unencodable, error, QString());
        return;
    }
    if (!m_client.execute(m_line, false, gatewaySettings().answerTimeoutMs, m_reply)) {
        takeClientError();
        return;
    }
    if (!m_reply.ok()) {
        bool isNumber = false;
        const int code = m_reply.code.toInt(&isNumber);
        const QString serverText = m_charset->decode(m_reply.errorText);
        setError(
            isNumber && code != 0 ? code : LineRejected,
            QStringLiteral("Der ERP-Server hat die Zeile mit einem Fehler abgebrochen: %1")
                .arg(serverText),
            QStringLiteral("Fehlercode %1: %2").arg(QString::fromLatin1(m_reply.code), serverText));
        return;
    }
    if (m_errorCode != NoError)
        setError(NoError, QString(), QString());
}

QString CacheControl::P0() const {
    return m_charset ? m_charset->decode(m_reply.p0) : QString();
}

ServerAnswer CacheControl::run(const QString &line) {
    ServerAnswer result;
    execute(line);
    if (m_errorCode != NoError) {
        result.error = m_errorText;
        result.details = m_errorDetails;
        return result;
    }
    result.ok = true;
    result.answer = P0();
    return result;
}
