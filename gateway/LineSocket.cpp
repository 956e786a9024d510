#include "gateway/LineSocket.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

namespace {
using NativeSocket = SOCKET;
using IoSize = int;
constexpr int noSignal = 0;
// Winsock sockets stay non-blocking: every wait is a poll.
constexpr int dontWait = 0;
constexpr bool kernelWaits = false;

int lastError() {
    return WSAGetLastError();
}
bool wouldBlock(int error) {
    return error == WSAEWOULDBLOCK;
}
bool interrupted(int error) {
    return error == WSAEINTR;
}
QString systemText(int error) {
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, DWORD(error), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString result = text ? QString::fromWCharArray(text).trimmed() : QString::number(error);
    LocalFree(text);
    return result;
}
// getaddrinfo() answers with a Winsock error code.
QString lookupText(int error) {
    return systemText(error);
}
int pollOne(NativeSocket socket, short events, int timeoutMs) {
    WSAPOLLFD entry{socket, events, 0};
    return WSAPoll(&entry, 1, timeoutMs);
}
void closeNative(NativeSocket socket) {
    closesocket(socket);
}
bool startNetwork() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
bool finishConnecting(NativeSocket socket) {
    u_long nonBlocking = 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}
NativeSocket openNative(const addrinfo *address) {
    const NativeSocket socket =
        ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (socket != INVALID_SOCKET)
        finishConnecting(socket);
    return socket;
}
bool connectPending(int error) {
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
}
bool setTimeout(NativeSocket, int) {
    return false;
}
#else
#include <cerrno>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
using NativeSocket = int;
using IoSize = size_t;
constexpr NativeSocket INVALID_SOCKET = -1;
constexpr int noSignal = MSG_NOSIGNAL;
// The socket is blocking once connected; calls that must not wait say so.
constexpr int dontWait = MSG_DONTWAIT;
constexpr bool kernelWaits = true;

int lastError() {
    return errno;
}
bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}
bool interrupted(int error) {
    return error == EINTR;
}
QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
QString lookupText(int error) {
    return QString::fromLocal8Bit(gai_strerror(error));
}
int pollOne(NativeSocket socket, short events, int timeoutMs) {
    pollfd entry{socket, events, 0};
    return ::poll(&entry, 1, timeoutMs);
}
void closeNative(NativeSocket socket) {
    ::close(socket);
}
bool startNetwork() {
    return true;
}
bool finishConnecting(NativeSocket socket) {
    const int flags = fcntl(socket, F_GETFL);
    return flags >= 0 && fcntl(socket, F_SETFL, flags & ~O_NONBLOCK) == 0;
}
NativeSocket openNative(const addrinfo *address) {
    return ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    address->ai_protocol);
}
bool connectPending(int error) {
    return error == EINPROGRESS;
}
bool setTimeout(NativeSocket socket, int timeoutMs) {
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
    return setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}
#endif

NativeSocket native(qintptr socket) {
    return NativeSocket(socket);
}

int millisecondsUntil(LineSocket::Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return int(std::clamp<long long>(left, 0, 24LL * 3600 * 1000));
}

// Everything the TLS library queued, oldest first; the queue is emptied.
QString tlsErrors() {
    QStringList texts;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        texts << QString::fromLatin1(text);
    }
    return texts.join(QStringLiteral("; "));
}
} // namespace

// OpenSSL reaches the socket through this: sends never raise SIGPIPE, and the first read of
// a reply may wait in the kernel as the plain path does.
struct LineSocket::Tls {
    SSL_CTX *context = nullptr;
    SSL *ssl = nullptr;
    NativeSocket socket = INVALID_SOCKET;
    bool blockingRead = false;

    ~Tls() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }

    static Tls *of(BIO *bio) { return static_cast<Tls *>(BIO_get_data(bio)); }

    static int write(BIO *bio, const char *data, int size) {
        BIO_clear_retry_flags(bio);
        const auto n = ::send(of(bio)->socket, data, IoSize(size), noSignal | dontWait);
        if (n < 0 && wouldBlock(lastError()))
            BIO_set_retry_write(bio);
        return int(n);
    }

    static int read(BIO *bio, char *data, int size) {
        Tls *self = of(bio);
        BIO_clear_retry_flags(bio);
        const auto n = ::recv(self->socket, data, IoSize(size), self->blockingRead ? 0 : dontWait);
        self->blockingRead = false;
        if (n < 0 && wouldBlock(lastError()))
            BIO_set_retry_read(bio);
        return int(n);
    }

    static long control(BIO *, int command, long, void *) {
        return command == BIO_CTRL_FLUSH ? 1 : 0;
    }

    static BIO_METHOD *method() {
        static BIO_METHOD *methods = [] {
            BIO_METHOD *m =
                BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "kwp line socket");
            BIO_meth_set_write(m, &Tls::write);
            BIO_meth_set_read(m, &Tls::read);
            BIO_meth_set_ctrl(m, &Tls::control);
            BIO_meth_set_create(m, [](BIO *bio) {
                BIO_set_init(bio, 1);
                return 1;
            });
            return m;
        }();
        return methods;
    }
};

LineSocket::LineSocket() = default;

LineSocket::~LineSocket() {
    close();
}

bool LineSocket::isOpen() const {
    return m_socket != qintptr(INVALID_SOCKET);
}

void LineSocket::close() {
    m_tls.reset();
    if (isOpen())
        closeNative(native(m_socket));
    m_socket = qintptr(INVALID_SOCKET);
    m_receiveTimeoutMs = -1;
}

LineSocket::Status LineSocket::fail(Status status, const QString &details) {
    m_details = details;
    close();
    return status;
}

LineSocket::Status LineSocket::failSystem() {
    return fail(Status::Failed, systemText(lastError()));
}

LineSocket::Status LineSocket::wait(bool forWriting, Deadline deadline) {
    for (;;) {
        const int left = millisecondsUntil(deadline);
        const int ready =
            left > 0 ? pollOne(native(m_socket), forWriting ? POLLOUT : POLLIN, left) : 0;
        if (ready > 0)
            return Status::Ok;
        if (ready < 0 && interrupted(lastError()))
            continue;
        if (ready < 0)
            return failSystem();
        return fail(Status::TimedOut, QStringLiteral("time-out"));
    }
}

LineSocket::Status LineSocket::connectTo(const QString &host, const QString &port,
                                         Deadline deadline) {
    close();
    m_details.clear();
    if (!startNetwork())
        return fail(Status::Failed, QStringLiteral("network start failed"));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *addresses = nullptr;
    const int lookup =
        getaddrinfo(host.toUtf8().constData(), port.toUtf8().constData(), &hints, &addresses);
    if (lookup != 0)
        return fail(Status::Failed, lookupText(lookup));

    Status status = Status::Failed;
    for (addrinfo *address = addresses; address; address = address->ai_next) {
        const NativeSocket socket = openNative(address);
        if (socket == INVALID_SOCKET) {
            m_details = systemText(lastError());
            continue;
        }
        m_socket = qintptr(socket);
        int result = ::connect(socket, address->ai_addr, int(address->ai_addrlen));
        if (result < 0 && connectPending(lastError())) {
            status = wait(true, deadline);
            if (status == Status::TimedOut)
                break;
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size);
            result = status == Status::Ok && error == 0 ? 0 : -1;
            if (error != 0)
                m_details = systemText(error);
        } else if (result < 0) {
            m_details = systemText(lastError());
        }
        if (result == 0) {
            status = Status::Ok;
            break;
        }
        status = Status::Failed;
        close();
    }
    freeaddrinfo(addresses);
    if (status != Status::Ok)
        return fail(status, m_details);

    const int on = 1;
    setsockopt(native(m_socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on),
               sizeof on);
    finishConnecting(native(m_socket));
    return Status::Ok;
}

LineSocket::Status LineSocket::startTls(const LineSecurity &security, const QString &host,
                                        Deadline deadline) {
    auto tls = std::make_unique<Tls>();
    tls->socket = native(m_socket);
    ERR_clear_error();
    tls->context = SSL_CTX_new(TLS_client_method());
    if (!tls->context)
        return fail(Status::Failed, tlsErrors());
    SSL_CTX_set_min_proto_version(tls->context, TLS1_2_VERSION);
    SSL_CTX_set_verify(tls->context, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_load_verify_locations(tls->context, QFile::encodeName(security.caFile).constData(),
                                      nullptr) != 1)
        return fail(Status::Failed,
                    QStringLiteral("CA file %1: %2").arg(security.caFile, tlsErrors()));
    if (!security.clientCertificate.isEmpty()) {
        const QString key =
            security.clientKey.isEmpty() ? security.clientCertificate : security.clientKey;
        if (SSL_CTX_use_certificate_chain_file(
                tls->context, QFile::encodeName(security.clientCertificate).constData()) != 1 ||
            SSL_CTX_use_PrivateKey_file(tls->context, QFile::encodeName(key).constData(),
                                        SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_check_private_key(tls->context) != 1)
            return fail(Status::Failed, QStringLiteral("client certificate %1, key %2: %3")
                                            .arg(security.clientCertificate, key, tlsErrors()));
    }
    tls->ssl = SSL_new(tls->context);
    BIO *bio = BIO_new(Tls::method());
    if (!tls->ssl || !bio) {
        BIO_free(bio);
        return fail(Status::Failed, tlsErrors());
    }
    BIO_set_data(bio, tls.get());
    SSL_set_bio(tls->ssl, bio, bio);
    const QByteArray name = host.toUtf8();
    X509_VERIFY_PARAM *check = SSL_get0_param(tls->ssl);
    // An address is checked against the certificate's IP entries, a name against its DNS ones.
    if (X509_VERIFY_PARAM_set1_ip_asc(check, name.constData()) != 1) {
        ERR_clear_error();
        X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(tls->ssl, name.constData());
        SSL_set_tlsext_host_name(tls->ssl, name.constData());
    }
    m_tls = std::move(tls);
    for (;;) {
        const int result = SSL_connect(m_tls->ssl);
        if (result == 1)
            return Status::Ok;
        const long verified = SSL_get_verify_result(m_tls->ssl);
        if (verified != X509_V_OK)
            return fail(Status::Rejected,
                        QString::fromLatin1(X509_verify_cert_error_string(verified)));
        const Status status = tlsStep(result, deadline);
        if (status != Status::Ok)
            return status;
    }
}

// After a TLS call that did not complete: waits when the library wants the socket, else fails.
LineSocket::Status LineSocket::tlsStep(int result, Deadline deadline) {
    const int error = SSL_get_error(m_tls->ssl, result);
    if (error == SSL_ERROR_WANT_READ)
        return wait(false, deadline);
    if (error == SSL_ERROR_WANT_WRITE)
        return wait(true, deadline);
    if (error == SSL_ERROR_ZERO_RETURN)
        return fail(Status::Closed, QStringLiteral("connection closed by the server"));
    const int systemError = lastError();
    const QString queued = tlsErrors();
    if (error == SSL_ERROR_SYSCALL && queued.isEmpty())
        return result == 0 || systemError == 0
                   ? fail(Status::Closed, QStringLiteral("connection closed by the server"))
                   : fail(Status::Failed, systemText(systemError));
    if (queued.contains(QLatin1String("unexpected eof")))
        return fail(Status::Closed, QStringLiteral("connection closed by the server"));
    return fail(Status::Failed, queued);
}

LineSocket::Status LineSocket::send(const char *data, qsizetype size, Deadline deadline) {
    qsizetype sent = 0;
    while (sent < size) {
        const int chunk = int(qMin<qsizetype>(size - sent, 1 << 30));
        if (m_tls) {
            ERR_clear_error();
            const int n = SSL_write(m_tls->ssl, data + sent, chunk);
            if (n > 0) {
                sent += n;
                continue;
            }
            const Status status = tlsStep(n, deadline);
            if (status != Status::Ok)
                return status;
            continue;
        }
        const auto n = ::send(native(m_socket), data + sent, IoSize(chunk), noSignal | dontWait);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && wouldBlock(lastError())) {
            const Status status = wait(true, deadline);
            if (status != Status::Ok)
                return status;
        } else if (n < 0 && !interrupted(lastError())) {
            return failSystem();
        }
    }
    return Status::Ok;
}

bool LineSocket::setReceiveTimeout(int timeoutMs) {
    // A zero time-out would mean waiting for ever.
    if (!kernelWaits || timeoutMs <= 0)
        return false;
    if (timeoutMs == m_receiveTimeoutMs)
        return true;
    if (!setTimeout(native(m_socket), timeoutMs))
        return false;
    m_receiveTimeoutMs = timeoutMs;
    return true;
}

LineSocket::Status LineSocket::receive(char *data, qsizetype size, qsizetype &received,
                                       Deadline deadline, bool waitInKernel, int timeoutMs) {
    received = 0;
    const int chunk = int(qMin<qsizetype>(size, 1 << 30));
    bool blocking = waitInKernel && setReceiveTimeout(timeoutMs);
    for (;;) {
        if (m_tls) {
            ERR_clear_error();
            m_tls->blockingRead = blocking && SSL_pending(m_tls->ssl) == 0;
            const int n = SSL_read(m_tls->ssl, data, chunk);
            m_tls->blockingRead = false;
            if (n > 0) {
                received = n;
                return Status::Ok;
            }
            blocking = false;
            const Status status = tlsStep(n, deadline);
            if (status != Status::Ok)
                return status;
            continue;
        }
        const auto n = ::recv(native(m_socket), data, IoSize(chunk), blocking ? 0 : dontWait);
        // Only the first read blocks; the rest keep to the deadline through poll.
        blocking = false;
        if (n > 0) {
            received = qsizetype(n);
            return Status::Ok;
        }
        if (n == 0)
            return fail(Status::Closed, QStringLiteral("connection closed by the server"));
        if (wouldBlock(lastError())) {
            const Status status = wait(false, deadline);
            if (status != Status::Ok)
                return status;
        } else if (!interrupted(lastError())) {
            return failSystem();
        }
    }
}
