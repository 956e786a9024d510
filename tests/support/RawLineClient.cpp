#include "tests/support/RawLineClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

RawLineClient::~RawLineClient() {
    close();
}

bool RawLineClient::connectTo(quint16 port, int timeoutMs) {
    close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        close();
        return false;
    }
    return true;
}

bool RawLineClient::greet(quint16 port, char persona, const QByteArray &nameSpace) {
    if (!connectTo(port) || !sendFrame("KWP1" + QByteArray(1, persona) + nameSpace))
        return false;
    const QList<QByteArray> reply = readReply();
    return !reply.isEmpty() && reply[0] == "0";
}

bool RawLineClient::open(quint16 port, char persona, const QByteArray &nameSpace) {
    if (!greet(port, persona, nameSpace))
        return false;
    const QList<QByteArray> reply = logOn("1", "0", "demo");
    return reply.size() == 4 && reply[0] == "0" &&
           reply[persona == 'M' ? 3 : 2].startsWith("DEMO`");
}

QByteArray RawLineClient::logonRequest(const QByteArray &company, const QByteArray &branch,
                                       const QByteArray &password) {
    return "L" + frame(company) + frame(branch) + frame(password);
}

QList<QByteArray> RawLineClient::logOn(const QByteArray &company, const QByteArray &branch,
                                       const QByteArray &password) {
    if (!sendFrame(logonRequest(company, branch, password)))
        return {};
    return readReply();
}

void RawLineClient::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool RawLineClient::sendRaw(const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool RawLineClient::sendFrame(const QByteArray &payload) {
    return sendRaw(frame(payload));
}

bool RawLineClient::readExactly(char *data, qsizetype size, int timeoutMs) {
    qsizetype done = 0;
    while (done < size) {
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::recv(m_fd, data + done, size_t(size - done), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool RawLineClient::readFrame(QByteArray &payload, int timeoutMs) {
    if (m_fd < 0)
        return false;
    char digits[8];
    if (!readExactly(digits, 8, timeoutMs))
        return false;
    bool ok = false;
    const qsizetype size = QByteArray(digits, 8).toLongLong(&ok);
    if (!ok || size < 0)
        return false;
    payload.resize(size);
    return readExactly(payload.data(), size, timeoutMs);
}

QList<QByteArray> RawLineClient::readReply(int timeoutMs) {
    QByteArray payload;
    if (!readFrame(payload, timeoutMs))
        return {};
    return splitReply(payload);
}

QList<QByteArray> RawLineClient::execute(const QByteArray &line, bool capture) {
    if (!sendFrame(QByteArray(capture ? "X1" : "X0") + line))
        return {};
    return readReply();
}

bool RawLineClient::closedByServer(int timeoutMs) {
    char byte;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return false;
    return ::recv(m_fd, &byte, 1, 0) == 0;
}

QByteArray RawLineClient::frame(const QByteArray &payload) {
    return QByteArray::number(payload.size()).rightJustified(8, '0') + payload;
}

QList<QByteArray> RawLineClient::splitReply(const QByteArray &payload) {
    QList<QByteArray> fields;
    qsizetype at = 0;
    while (at + 8 <= payload.size()) {
        bool ok = false;
        const qsizetype size = payload.mid(at, 8).toLongLong(&ok);
        if (!ok || at + 8 + size > payload.size())
            return {};
        fields.append(payload.mid(at + 8, size));
        at += 8 + size;
    }
    if (at != payload.size() || fields.size() != 4)
        return {};
    return fields;
}
