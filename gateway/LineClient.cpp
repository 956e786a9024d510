#include "gateway/LineClient.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
constexpr qsizetype headerSize = 8;
constexpr qsizetype maxPayload = 1048576;

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

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
} // namespace

LineClient::~LineClient() {
    close();
}

void LineClient::close() {
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_receiveTimeoutMs = -1;
    m_greeted = false;
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

bool LineClient::connectTo(const QString &host, const QString &port, int timeoutMs) {
    close();
    m_peer = host + QLatin1Char(':') + port;
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const QString cannot =
        QStringLiteral("Die Verbindung zum ERP-Server %1 konnte nicht hergestellt werden.")
            .arg(m_peer);

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *addresses = nullptr;
    const int lookup =
        getaddrinfo(host.toUtf8().constData(), port.toUtf8().constData(), &hints, &addresses);
    if (lookup != 0)
        return fail(cannot, QString::fromLocal8Bit(gai_strerror(lookup)));

    QString details;
    for (addrinfo *address = addresses; address; address = address->ai_next) {
        m_socket = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address->ai_protocol);
        if (m_socket < 0) {
            details = systemError(errno);
            continue;
        }
        int result = ::connect(m_socket, address->ai_addr, address->ai_addrlen);
        if (result < 0 && errno == EINPROGRESS) {
            if (!waitFor(POLLOUT, deadline, timeoutMs)) {
                freeaddrinfo(addresses);
                return fail(QStringLiteral("Der ERP-Server %1 hat sich nicht innerhalb von %2 "
                                           "Sekunden gemeldet.")
                                .arg(m_peer, seconds(timeoutMs)),
                            m_errorDetails);
            }
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &size);
            result = error ? -1 : 0;
            errno = error;
        }
        if (result == 0)
            break;
        details = systemError(errno);
        ::close(m_socket);
        m_socket = -1;
    }
    freeaddrinfo(addresses);
    if (m_socket < 0)
        return fail(cannot, details);

    const int on = 1;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // Blocking from here on: a reply's first read waits in recv itself, bounded by the
    // socket's receive time-out; every other call passes MSG_DONTWAIT and polls as before.
    const int flags = fcntl(m_socket, F_GETFL);
    if (flags >= 0)
        fcntl(m_socket, F_SETFL, flags & ~O_NONBLOCK);
    m_errorText.clear();
    m_errorDetails.clear();
    return true;
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
    if (!sendFrame(deadline, timeoutMs) || !receiveReply(deadline, timeoutMs, reply)) {
        m_errorDetails = m_errorText + QLatin1Char(' ') + m_errorDetails;
        m_errorText = QStringLiteral("Der ERP-Server %1 hat die Anmeldung am Namensraum "
                                     "\u201E%2\u201C nicht beantwortet.")
                          .arg(m_peer, QString::fromLatin1(nameSpace));
        return false;
    }
    if (!reply.ok())
        return fail(
            QStringLiteral("Der ERP-Server %1 hat die Anmeldung am Namensraum \u201E%2\u201C "
                           "abgelehnt.")
                .arg(m_peer, QString::fromLatin1(nameSpace)),
            QString::fromLatin1(reply.code + ' ' + reply.errorText));
    m_greeted = true;
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
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    m_tx.resize(0); // keeps the buffer for the next line
    appendLength(m_tx, line.size() + 2);
    m_tx.append('X');
    m_tx.append(capture ? '1' : '0');
    m_tx.append(line);
    if (!sendFrame(deadline, timeoutMs))
        return false;
    m_lineSent = true;
    return receiveReply(deadline, timeoutMs, reply);
}

bool LineClient::waitFor(short events, Deadline deadline, int timeoutMs) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd entry{m_socket, events, 0};
        const int ready = left > 0 ? ::poll(&entry, 1, int(left)) : 0;
        if (ready > 0)
            return true;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return failBroken(systemError(errno));
        return fail(QStringLiteral("Der ERP-Server %1 hat nicht innerhalb von %2 Sekunden "
                                   "geantwortet. Die Verbindung wurde getrennt; ob die letzte "
                                   "Zeile auf dem Server ausgeführt wurde, ist nicht bekannt.")
                        .arg(m_peer, seconds(timeoutMs)),
                    QStringLiteral("time-out after %1 ms").arg(timeoutMs));
    }
}

bool LineClient::setReceiveTimeout(int timeoutMs) {
    // A zero time-out would mean waiting for ever.
    if (timeoutMs <= 0)
        return false;
    if (timeoutMs == m_receiveTimeoutMs)
        return true;
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
    if (setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0)
        return false;
    m_receiveTimeoutMs = timeoutMs;
    return true;
}

bool LineClient::sendFrame(Deadline deadline, int timeoutMs) {
    qsizetype sent = 0;
    while (sent < m_tx.size()) {
        const ssize_t n =
            ::send(m_socket, m_tx.constData() + sent, size_t(m_tx.size() - sent),
                   MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(POLLOUT, deadline, timeoutMs))
                return false;
        } else if (n < 0 && errno != EINTR) {
            return failBroken(systemError(errno));
        }
    }
    return true;
}

bool LineClient::receiveReply(Deadline deadline, int timeoutMs, Reply &reply) {
    // Reads until a whole frame is buffered; a frame never spans two replies.
    qsizetype frameSize = -1;
    // The answer is never there right after the request: the first read waits for it in the
    // kernel, which spares a poll per line (a system call costs microseconds on some hosts).
    bool blocking = false;
    if (m_rx.size() - m_rxStart < headerSize) {
        blocking = setReceiveTimeout(timeoutMs);
        if (!blocking && !waitFor(POLLIN, deadline, timeoutMs))
            return false;
    }
    for (;;) {
        const qsizetype buffered = m_rx.size() - m_rxStart;
        if (frameSize < 0 && buffered >= headerSize) {
            const qsizetype length = parseLength(m_rx.constData() + m_rxStart);
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
        const ssize_t n =
            ::recv(m_socket, m_rx.data() + oldSize, size_t(want), blocking ? 0 : MSG_DONTWAIT);
        // Only the first read blocks; the rest keep to the deadline through poll.
        blocking = false;
        m_rx.resize(oldSize + qMax<ssize_t>(n, 0));
        if (n > 0)
            continue;
        if (n == 0)
            return failBroken(QStringLiteral("connection closed by the server"));
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(POLLIN, deadline, timeoutMs))
                return false;
        } else if (errno != EINTR) {
            return failBroken(systemError(errno));
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
