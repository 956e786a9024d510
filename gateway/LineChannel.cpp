#include "gateway/LineChannel.h"

#include "gateway/GatewayTexts.h"

#include <QRandomGenerator>

#include <utility>

bool LineChannel::fail(int code, const QString &text, const QString &details) {
    m_errorCode = code;
    m_errorText = text;
    m_errorDetails = details;
    return code == NoError;
}

bool LineChannel::takeClientError(int codeWhileOpen) {
    return fail(m_client.isOpen() ? codeWhileOpen : ConnectionLost, m_client.errorText(),
                m_client.errorDetails());
}

bool LineChannel::connectTo(const QString &host, const QString &port,
                            const GatewaySettings &settings, const LineSecurity &security) {
    m_client.close();
    m_resumable = false;
    m_resumeToken.clear();
    m_connectTimeoutMs = settings.connectTimeoutMs;
    m_answerTimeoutMs = settings.answerTimeoutMs;
    m_charset = ServerCharset::byName(settings.charset);
    if (!m_charset)
        return fail(UnknownCharset, GatewayTexts::unknownCharset(settings.charset));
    if (!m_client.connectTo(host, port, m_connectTimeoutMs, security))
        return fail(ConnectFailed, m_client.errorText(), m_client.errorDetails());
    return succeed();
}

bool LineChannel::greet(char persona, const QString &nameSpace) {
    QByteArray encoded;
    QString error;
    if (!m_charset || !m_charset->encode(nameSpace, encoded, &error)) {
        m_client.close();
        return fail(Unencodable, error);
    }
    if (!m_client.greet(persona, encoded, m_connectTimeoutMs))
        return fail(ConnectFailed, m_client.errorText(), m_client.errorDetails());
    return succeed();
}

bool LineChannel::run(const QString &line, bool capture, QString &answer) {
    answer.resize(0);
    if (!isOpen())
        return fail(NotConnected, GatewayTexts::notConnected());
    m_line.resize(0); // keeps the buffer for the next line
    QString error;
    if (!m_charset->encode(line, m_line, &error))
        return fail(Unencodable, error);
    return takeReply(m_client.execute(m_line, capture, m_answerTimeoutMs, m_reply), capture,
                     answer);
}

bool LineChannel::logOn(const QString &company, const QString &branch, const QString &password,
                        bool capture, QString &answer) {
    answer.resize(0);
    m_resumable = false; // a log-on ends the one before, and with it its token
    m_resumeToken.clear();
    if (!isOpen())
        return fail(NotConnected, GatewayTexts::notConnected());
    QByteArray fields[3];
    const QString *values[] = {&company, &branch, &password};
    QString error;
    for (int i = 0; i < 3; ++i)
        if (!m_charset->encode(*values[i], fields[i], &error))
            return fail(Unencodable, error);
    return takeReply(m_client.logOn(fields[0], fields[1], fields[2], m_answerTimeoutMs, m_reply),
                     capture, answer);
}

bool LineChannel::takeReply(bool sent, bool capture, QString &answer) {
    if (!sent) {
        if (m_client.lineSent())
            return fail(AnswerLost, m_client.errorText(), m_client.errorDetails());
        return takeClientError(LineRejected);
    }
    if (!m_reply.ok()) {
        bool isNumber = false;
        const int code = m_reply.code.toInt(&isNumber);
        const QString serverText = m_charset->decode(m_reply.errorText);
        return fail(
            isNumber && code != 0 ? code : LineRejected, GatewayTexts::lineAborted(serverText),
            GatewayTexts::serverErrorDetails(QString::fromLatin1(m_reply.code), serverText));
    }
    const QByteArray &bytes = capture ? m_reply.output : m_reply.p0;
    m_charset->decode(bytes.constData(), bytes.size(), answer);
    return succeed();
}

void LineChannel::close() {
    m_resumable = false;
    m_resumeToken.clear();
    m_client.close();
}

bool LineChannel::sendRecord(const QByteArray &runId, qint64 number, const QString &line,
                             bool capture) {
    if (!isOpen())
        return fail(NotConnected, GatewayTexts::notConnected());
    m_line.resize(0);
    QString error;
    if (!m_charset->encode(line, m_line, &error))
        return fail(Unencodable, error);
    if (!m_client.sendRecord(runId, number, m_line, capture, m_answerTimeoutMs))
        return m_client.lineSent() ? fail(AnswerLost, m_client.errorText(), m_client.errorDetails())
                                   : takeClientError(LineRejected);
    return succeed();
}

bool LineChannel::takeRecordAnswer(bool capture, QString &answer) {
    answer.resize(0);
    if (!m_client.isOpen())
        return fail(AnswerLost, GatewayTexts::notConnected());
    return takeReply(m_client.receive(m_answerTimeoutMs, m_reply), capture, answer);
}

bool LineChannel::progress(const QByteArray &runId, QString &answer) {
    answer.resize(0);
    if (!isOpen())
        return fail(NotConnected, GatewayTexts::notConnected());
    // Reading the progress never runs a record; its answer is always P0. The service waits
    // up to 2 s for a record a live process has begun before it answers, on top of the time
    // any answer may take.
    constexpr int serviceWaitMs = 2500;
    return takeReply(m_client.progress(runId, m_answerTimeoutMs + serviceWaitMs, m_reply), false,
                     answer);
}

void LineChannel::registerResumeToken() {
    if (!isOpen() || !m_client.serviceKnows("resume"))
        return;
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray token =
        QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex();
    // The log-on's outcome stands whatever happens here: a token is an extra, never a failure.
    if (!m_client.registerToken(token, m_answerTimeoutMs, m_reply) || !m_reply.ok())
        return;
    m_resumeToken = token;
    m_resumable = true;
}

QByteArray LineChannel::takeResumeToken() {
    m_resumable = false;
    return std::exchange(m_resumeToken, QByteArray());
}

bool LineChannel::resume(const QByteArray &token, bool capture, QString &answer) {
    answer.resize(0);
    if (!isOpen())
        return fail(NotConnected, GatewayTexts::notConnected());
    m_resumable = false;
    if (!takeReply(m_client.resume(token, m_answerTimeoutMs, m_reply), capture, answer))
        return false;
    m_resumable = !answer.section(QLatin1Char('`'), 0, 0).isEmpty();
    return true;
}
