#include "gateway/MsmClient.h"

#include "gateway/GatewaySettings.h"
#include "gateway/GetPiece.h"
#include "gateway/ServerProfile.h"

std::shared_ptr<MsmClient> MsmClient::fromProfile(const QString &path, QString *error) {
    QStringList lines;
    if (!readProfileLines(path, lines)) {
        if (error)
            *error = QStringLiteral("Die Profildatei \u201E%1\u201C kann nicht gelesen werden.")
                         .arg(path);
        return nullptr;
    }
    QString host = QStringLiteral("127.0.0.1");
    QString port = QStringLiteral("1972");
    QString nameSpace = QStringLiteral("KORVEX");
    LineSecurity security = gatewaySettings().security;
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
    auto client = std::make_shared<MsmClient>(host, port, nameSpace);
    client->setSecurity(security);
    return client;
}

MsmClient::MsmClient(const QString &host, const QString &port, const QString &nameSpace)
    : m_host(host)
    , m_port(port)
    , m_nameSpace(nameSpace) {}

bool MsmClient::fail(const QString &text, const QString &details) {
    m_errorText = text;
    m_errorDetails = details;
    return false;
}

bool MsmClient::Login() {
    m_client.close();
    const QString charsetName = gatewaySettings().charset;
    m_charset = ServerCharset::byName(charsetName);
    if (!m_charset)
        return fail(QStringLiteral("Der eingestellte Zeichensatz \u201E%1\u201C des ERP-Servers "
                                   "ist unbekannt; möglich sind windows-1252 und iso-8859-1.")
                        .arg(charsetName),
                    QString());
    if (m_host.isEmpty() || m_port.isEmpty())
        return fail(QStringLiteral("Im Serverprofil fehlt MSMHOST oder MSMPORT."), QString());
    QByteArray encoded;
    QString error;
    if (!m_charset->encode(m_nameSpace, encoded, &error))
        return fail(error, QString());
    const int timeout = gatewaySettings().connectTimeoutMs;
    if (!m_client.connectTo(m_host, m_port, timeout, m_security) ||
        !m_client.greet('M', encoded, timeout))
        return fail(m_client.errorText(), m_client.errorDetails());
    return true;
}

bool MsmClient::Xecute(const QString &line, QString &written) {
    written.clear();
    if (!isOpen())
        return fail(QStringLiteral("Es besteht keine Verbindung zum ERP-Server. Die Zeile wurde "
                                   "nicht gesendet."),
                    QString());
    m_line.resize(0); // keeps the buffer for the next line
    QString error;
    if (!m_charset->encode(line, m_line, &error))
        return fail(error, QString());
    if (!m_client.execute(m_line, true, gatewaySettings().answerTimeoutMs, m_reply))
        return fail(m_client.errorText(), m_client.errorDetails());
    if (!m_reply.ok()) {
        const QString serverText = m_charset->decode(m_reply.errorText);
        return fail(
            QStringLiteral("Der ERP-Server hat die Zeile mit einem Fehler abgebrochen: %1")
                .arg(serverText),
            QStringLiteral("Fehlercode %1: %2").arg(QString::fromLatin1(m_reply.code), serverText));
    }
    m_charset->decode(m_reply.output.constData(), m_reply.output.size(), written);
    return true;
}

void MsmClient::Logout() {
    m_client.close();
}

ServerAnswer MsmClient::run(const QString &line) {
    ServerAnswer result;
    if (Xecute(line, result.answer)) {
        result.ok = true;
        return result;
    }
    result.answer.clear();
    result.error = QStringLiteral("Ungültige Anfrage. Anfrage mit anderer Eingabe wiederholen!");
    result.details =
        m_errorDetails.isEmpty() ? m_errorText : m_errorText + QLatin1Char(' ') + m_errorDetails;
    return result;
}
