#include "gateway/LineClient.h"

#include <cstring>

namespace {
constexpr qsizetype headerSize = 8;
constexpr qsizetype maxPayload = 1048576;

QString seconds(int ms) {
    return QString::number(ms / 1000.0, 'g', 3).replace('.', ',');
}

void appendLength(QByteArray &out, qsizetype length) {
    char digits[headerSize];
    for (int i = headerSize - 1; i >= 0; --i) {
        digits[i] = char('0' + length % 10);
        length /= 10;
    }
    out.append(digits, headerSize);
}

// The length in eight ASCII digits, or -1 when they are not digits.
qsizetype parseLength(const char *digits) {
    qsizetype length = 0;
    for (int i = 0; i < headerSize; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return -1;
        length = length * 10 + (digits[i] - '0');
    }
    return length;
}

// A TLS alert record (content type 21, version 3.x): a TLS service answering a plain client.
bool looksLikeTlsAlert(const char *bytes) {
    return bytes[0] == '\x15' && bytes[1] == '\x03';
}
} // namespace

LineClient::~LineClient() {
    close();
}

void LineClient::close() {
    m_socket.close();
    m_tlsRequired = false;
    m_greeted = false;
    m_requestKinds.clear();
    m_pending.clear();
    m_rx.clear();
    m_rxStart = 0;
}

bool LineClient::fail(const QString &text, const QString &details) {
    close();
    m_errorText = text;
    m_errorDetails = details;
    return false;
}

bool LineClient::failBroken(const QString &details) {
    return fail(QStringLiteral("Die Verbindung zum ERP-Server %1 ist abgebrochen. Ob die letzte "
                               "Zeile auf dem Server ausgeführt wurde, ist nicht bekannt.")
                    .arg(m_peer),
                details);
}

bool LineClient::failSocket(LineSocket::Status status, int timeoutMs) {
    if (status == LineSocket::Status::TimedOut)
        return fail(QStringLiteral("Der ERP-Server %1 hat nicht innerhalb von %2 Sekunden "
                                   "geantwortet. Die Verbindung wurde getrennt; ob die letzte "
                                   "Zeile auf dem Server ausgeführt wurde, ist nicht bekannt.")
                        .arg(m_peer, seconds(timeoutMs)),
                    QStringLiteral("time-out after %1 ms").arg(timeoutMs));
    return failBroken(m_socket.details());
}

bool LineClient::failNeedsTls() {
    fail(QStringLiteral("Der ERP-Server %1 verlangt eine gesicherte Verbindung (TLS); im "
                        "Serverprofil fehlt \u201ETLS=1\u201C.")
             .arg(m_peer),
         QStringLiteral("TLS alert in answer to a plain request"));
    m_tlsRequired = true;
    return false;
}

bool LineClient::connectTo(const QString &host, const QString &port, int timeoutMs,
                           const LineSecurity &security) {
    close();
    m_peer = host + QLatin1Char(':') + port;
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const LineSocket::Status status = m_socket.connectTo(host, port, deadline);
    if (status == LineSocket::Status::TimedOut)
        return fail(QStringLiteral("Der ERP-Server %1 hat sich nicht innerhalb von %2 "
                                   "Sekunden gemeldet.")
                        .arg(m_peer, seconds(timeoutMs)),
                    m_socket.details());
    if (status != LineSocket::Status::Ok)
        return fail(
            QStringLiteral("Die Verbindung zum ERP-Server %1 konnte nicht hergestellt werden.")
                .arg(m_peer),
            m_socket.details());
    if (security.tls && !startTls(security, host, deadline, timeoutMs))
        return false;
    m_errorText.clear();
    m_errorDetails.clear();
    return true;
}

bool LineClient::startTls(const LineSecurity &security, const QString &host, Deadline deadline,
                          int timeoutMs) {
    if (security.caFile.isEmpty())
        return fail(QStringLiteral("Das Serverprofil verlangt eine gesicherte Verbindung (TLS), "
                                   "aber die INI-Datei nennt keine CA-Datei (CaFile im Abschnitt "
                                   "[ErpServer]), gegen die das Zertifikat des ERP-Servers %1 "
                                   "geprüft werden kann.")
                        .arg(m_peer),
                    QString());
    switch (m_socket.startTls(security, host, deadline)) {
    case LineSocket::Status::Ok:
        return true;
    case LineSocket::Status::Rejected:
        return fail(QStringLiteral("Das Zertifikat des ERP-Servers %1 ist nicht vertrauenswürdig "
                                   "oder ungültig; es wurde keine Verbindung aufgebaut und "
                                   "nichts gesendet.")
                        .arg(m_peer),
                    m_socket.details());
    case LineSocket::Status::TimedOut:
        return fail(QStringLiteral("Der ERP-Server %1 hat die gesicherte Verbindung (TLS) nicht "
                                   "innerhalb von %2 Sekunden aufgebaut.")
                        .arg(m_peer, seconds(timeoutMs)),
                    m_socket.details());
    default:
        return fail(QStringLiteral("Die gesicherte Verbindung (TLS) zum ERP-Server %1 konnte "
                                   "nicht aufgebaut werden; es wurde nichts gesendet.")
                        .arg(m_peer),
                    m_socket.details());
    }
}

bool LineClient::greet(char persona, const QByteArray &nameSpace, int timeoutMs) {
    if (!isOpen())
        return fail(QStringLiteral("Es besteht keine Verbindung zum ERP-Server."), QString());
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    m_tx.resize(0);
    appendLength(m_tx, 5 + nameSpace.size());
    m_tx.append("KWP1", 4);
    m_tx.append(persona);
    m_tx.append(nameSpace);
    Reply reply;
    const bool tls = isTls();
    if (!sendFrame(deadline, timeoutMs) || !receiveReply(deadline, timeoutMs, reply)) {
        if (m_tlsRequired)
            return false;
        m_errorDetails = m_errorText + QLatin1Char(' ') + m_errorDetails;
        // A TLS service waits for a handshake that a plain greeting never completes.
        m_errorText = QStringLiteral("Der ERP-Server %1 hat die Anmeldung am Namensraum "
                                     "\u201E%2\u201C nicht beantwortet.%3")
                          .arg(m_peer, QString::fromLatin1(nameSpace),
                               tls ? QString()
                                   : QStringLiteral(" Verlangt der Zeilendienst eine gesicherte "
                                                    "Verbindung, fehlt im Serverprofil "
                                                    "\u201ETLS=1\u201C."));
        return false;
    }
    if (!reply.ok())
        return fail(
            QStringLiteral("Der ERP-Server %1 hat die Anmeldung am Namensraum \u201E%2\u201C "
                           "abgelehnt.")
                .arg(m_peer, QString::fromLatin1(nameSpace)),
            QString::fromLatin1(reply.code + ' ' + reply.errorText));
    m_greeted = true;
    m_requestKinds = reply.p0.split(' ');
    return true;
}

bool LineClient::execute(const QByteArray &line, bool capture, int timeoutMs, Reply &reply) {
    m_lineSent = false;
    if (!isOpen() || !m_greeted)
        return fail(QStringLiteral("Es besteht keine Verbindung zum ERP-Server. Die Zeile wurde "
                                   "nicht gesendet."),
                    QString());
    if (line.size() + 2 > maxPayload) {
        // Nothing was sent: the connection stays usable.
        m_errorText = QStringLiteral("Die Zeile ist mit %1 Zeichen zu lang für den ERP-Server. "
                                     "Sie wurde nicht gesendet.")
                          .arg(line.size());
        m_errorDetails.clear();
        return false;
    }
    m_tx.resize(0); // keeps the buffer for the next line
    appendLength(m_tx, line.size() + 2);
    m_tx.append('X');
    m_tx.append(capture ? '1' : '0');
    m_tx.append(line);
    return request(timeoutMs, reply);
}

bool LineClient::logOn(const QByteArray &company, const QByteArray &branch,
                       const QByteArray &password, int timeoutMs, Reply &reply) {
    m_lineSent = false;
    if (!isOpen() || !m_greeted)
        return fail(QStringLiteral("Es besteht keine Verbindung zum ERP-Server. Die Anmeldung "
                                   "wurde nicht gesendet."),
                    QString());
    const qsizetype size = 1 + 3 * headerSize + company.size() + branch.size() + password.size();
    if (size > maxPayload) {
        m_errorText = QStringLiteral("Die Anmeldung ist zu lang für den ERP-Server. Sie wurde "
                                     "nicht gesendet.");
        m_errorDetails.clear();
        return false;
    }
    m_tx.resize(0);
    appendLength(m_tx, size);
    m_tx.append('L');
    for (const QByteArray *field : {&company, &branch, &password}) {
        appendLength(m_tx, field->size());
        m_tx.append(*field);
    }
    const bool answered = request(timeoutMs, reply);
    // The request held the password: nothing of it stays in the buffer kept for the next one.
    m_tx.fill('\0');
    return answered;
}

bool LineClient::sendRecord(const QByteArray &runId, qint64 number, const QByteArray &line,
                            bool capture, int timeoutMs) {
    m_lineSent = false;
    if (!isOpen() || !m_greeted)
        return fail(QStringLiteral("Es besteht keine Verbindung zum ERP-Server. Die Zeile wurde "
                                   "nicht gesendet."),
                    QString());
    const qsizetype size = 2 + headerSize + runId.size() + headerSize + line.size();
    if (size > maxPayload) {
        m_errorText = QStringLiteral("Die Zeile ist mit %1 Zeichen zu lang für den ERP-Server. "
                                     "Sie wurde nicht gesendet.")
                          .arg(line.size());
        m_errorDetails.clear();
        return false;
    }
    // Records gather and leave together before the next wait for an answer, or once 64 KiB
    // are due: one packet for many records, where each would cost a system call and a packet.
    appendLength(m_pending, size);
    m_pending.append('F');
    m_pending.append(capture ? '1' : '0');
    appendLength(m_pending, runId.size());
    m_pending.append(runId);
    appendLength(m_pending, number);
    m_pending.append(line);
    m_lineSent = true;
    return m_pending.size() < 65536 || flushRecords(timeoutMs);
}

bool LineClient::flushRecords(int timeoutMs) {
    if (m_pending.isEmpty())
        return true;
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const LineSocket::Status status =
        m_socket.send(m_pending.constData(), m_pending.size(), deadline);
    m_pending.resize(0);
    return status == LineSocket::Status::Ok || failSocket(status, timeoutMs);
}

bool LineClient::receive(int timeoutMs, Reply &reply) {
    m_lineSent = true; // only records already sent are waited for
    return flushRecords(timeoutMs) &&
           receiveReply(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs),
                        timeoutMs, reply);
}

bool LineClient::progress(const QByteArray &runId, int timeoutMs, Reply &reply) {
    return shortRequest('Q', runId, timeoutMs, reply);
}

bool LineClient::registerToken(const QByteArray &token, int timeoutMs, Reply &reply) {
    return shortRequest('T', token, timeoutMs, reply);
}

bool LineClient::resume(const QByteArray &token, int timeoutMs, Reply &reply) {
    return shortRequest('R', token, timeoutMs, reply);
}

bool LineClient::shortRequest(char kind, const QByteArray &text, int timeoutMs, Reply &reply) {
    m_lineSent = false;
    if (!isOpen() || !m_greeted)
        return fail(QStringLiteral("Es besteht keine Verbindung zum ERP-Server."), QString());
    m_tx.resize(0);
    appendLength(m_tx, 1 + text.size());
    m_tx.append(kind);
    m_tx.append(text);
    return request(timeoutMs, reply);
}

bool LineClient::request(int timeoutMs, Reply &reply) {
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!sendFrame(deadline, timeoutMs))
        return false;
    m_lineSent = true;
    return receiveReply(deadline, timeoutMs, reply);
}

bool LineClient::sendFrame(Deadline deadline, int timeoutMs) {
    const LineSocket::Status status = m_socket.send(m_tx.constData(), m_tx.size(), deadline);
    return status == LineSocket::Status::Ok || failSocket(status, timeoutMs);
}

bool LineClient::receiveReply(Deadline deadline, int timeoutMs, Reply &reply) {
    // Reads until a whole frame is buffered; a frame never spans two replies.
    qsizetype frameSize = -1;
    // The answer is never there right after the request: the first read waits for it in the
    // kernel, which spares a poll per line (a system call costs microseconds on some hosts).
    bool waitInKernel = m_rx.size() - m_rxStart < headerSize;
    for (;;) {
        const qsizetype buffered = m_rx.size() - m_rxStart;
        if (frameSize < 0 && buffered >= headerSize) {
            const char *header = m_rx.constData() + m_rxStart;
            const qsizetype length = parseLength(header);
            if (length < 0 && looksLikeTlsAlert(header))
                return failNeedsTls();
            if (length < 0 || length > 4 * (maxPayload + headerSize))
                return fail(QStringLiteral("Der ERP-Server %1 hat eine unverständliche Antwort "
                                           "geschickt. Die Verbindung wurde getrennt.")
                                .arg(m_peer),
                            QStringLiteral("bad frame header"));
            frameSize = headerSize + length;
        }
        if (frameSize >= 0 && buffered >= frameSize)
            break;
        if (m_rxStart > 0 && m_rxStart == m_rx.size()) {
            m_rx.resize(0);
            m_rxStart = 0;
        }
        const qsizetype want = qMax<qsizetype>(65536, frameSize - buffered);
        const qsizetype oldSize = m_rx.size();
        m_rx.resize(oldSize + want);
        qsizetype n = 0;
        const LineSocket::Status status =
            m_socket.receive(m_rx.data() + oldSize, want, n, deadline, waitInKernel, timeoutMs);
        waitInKernel = false;
        m_rx.resize(oldSize + n);
        if (status != LineSocket::Status::Ok) {
            // A plain client before a TLS service: its alert is all that arrives.
            if (m_rx.size() - m_rxStart >= 2 && looksLikeTlsAlert(m_rx.constData() + m_rxStart))
                return failNeedsTls();
            return failSocket(status, timeoutMs);
        }
    }

    // The payload: four fields, each eight length digits and its bytes.
    const char *at = m_rx.constData() + m_rxStart + headerSize;
    const char *end = m_rx.constData() + m_rxStart + frameSize;
    QByteArray *fields[] = {&reply.code, &reply.errorText, &reply.p0, &reply.output};
    for (QByteArray *field : fields) {
        const qsizetype length = end - at >= headerSize ? parseLength(at) : -1;
        if (length < 0 || length > end - at - headerSize)
            return fail(QStringLiteral("Der ERP-Server %1 hat eine unverständliche Antwort "
                                       "geschickt. Die Verbindung wurde getrennt.")
                            .arg(m_peer),
                        QStringLiteral("bad reply field"));
        field->resize(length);
        std::memcpy(field->data(), at + headerSize, size_t(length));
        at += headerSize + length;
    }
    m_rxStart += frameSize;
    if (m_rxStart == m_rx.size()) {
        m_rx.resize(0);
        m_rxStart = 0;
    }
    return true;
}
