// Round trips per second of the command channel, against a demo ERP server started here:
// (a) raw loopback TCP ping-pong with the message sizes of (c), (b) ServerExecute "S P0=1",
// (c) ServerExecute of unique answering lines storing a 200-byte record through WINKWP,
// (f) the same lines through the MSM persona with output capture,
// (d) the in-process cost of (c)'s work on the server, and what the service's own path costs per
// line: (c) - (a) - (d). Run pinned to CPU 0 (client and server) and unpinned, each in the clear
// and over TLS; prints (c) against the limit 1 / (a + d), over TLS 1 / (b' + d).
#include "gateway/ErpGateway.h"
#include "gateway/GatewaySettings.h"
#include "gateway/LineClient.h"
#include "gateway/ServerCharset.h"
#include "gateway/ServerProfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <thread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The benchmark's one session with the server.
StderrMessages messages;
ErpGateway channel(messages);

QString ServerExecute(const QString &line) {
    return channel.ServerExecute(line);
}
ServerAnswer ServerExecuteChecked(const QString &line) {
    return channel.ServerExecuteChecked(line);
}

using Clock = std::chrono::steady_clock;
constexpr double measureSeconds = 2.0;

QString sourceDir() {
    const QString fromEnv = qEnvironmentVariable("KWP_SOURCE_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(KWP_SOURCE_DIR_DEFAULT) : fromEnv;
}

QString answering(const QString &expression) {
    return QStringLiteral("S P0=") + expression + QStringLiteral(" W:$F($ZV,\"MSM\") P0");
}

// The same record as SAMPLE^KWPBENCH(i): client 1, period 202401, about 200 bytes, unique by i.
QString sampleRecord(long i) {
    return QStringLiteral("1`%1`1`202401``1`01.03.1980`A`M`1`01.01.2020``12,5`0`100`%2,5`1234,56`"
                          "-%3,50`%4%5`")
        .arg(10000 + i)
        .arg(i % 100 + 1)
        .arg(i % 1000)
        .arg(i * 7 + 1234567890)
        .arg(QString(96, QLatin1Char(' ')));
}

QString recordLine(long i) {
    return answering(QStringLiteral("$$WINKWP^BRKWPCOM(\"") + sampleRecord(i) +
                     QStringLiteral("\")"));
}

// Runs body(i) for i = 1, 2, ... for about measureSeconds; returns microseconds per call.
template <typename Body> double perCall(Body body) {
    const auto start = Clock::now();
    long calls = 0;
    while (Clock::now() - start < std::chrono::duration<double>(measureSeconds)) {
        for (int k = 0; k < 100; ++k)
            body(++calls);
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

// A raw loopback TCP ping-pong with the line service's message sizes. The echo runs in a
// process of its own, as the line service does (a switch between processes costs more than one
// between threads), or, for comparison, in a thread of this process.
enum class Echo { OwnProcess, Thread };

double pingPong(qsizetype requestSize, qsizetype replySize, Echo where) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size);

    auto readExactly = [](int fd, char *data, qsizetype n) {
        for (qsizetype got = 0; got < n;) {
            const ssize_t r = ::recv(fd, data + got, size_t(n - got), 0);
            if (r <= 0)
                return false;
            got += r;
        }
        return true;
    };
    // Buffers are made before a fork: the child only moves bytes and ends.
    QByteArray echoRequest(requestSize, 'x');
    const QByteArray echoReply(replySize, 'y');
    auto echo = [&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        while (readExactly(fd, echoRequest.data(), requestSize))
            ::send(fd, echoReply.constData(), size_t(replySize), MSG_NOSIGNAL);
        ::close(fd);
    };
    std::thread echoThread;
    pid_t echoProcess = -1;
    if (where == Echo::Thread) {
        echoThread = std::thread(echo);
    } else if ((echoProcess = ::fork()) == 0) {
        echo();
        ::_exit(0);
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    const QByteArray request(requestSize, 'r');
    QByteArray reply(replySize, 0);
    const double us = perCall([&](long) {
        ::send(fd, request.constData(), size_t(requestSize), MSG_NOSIGNAL);
        readExactly(fd, reply.data(), replySize);
    });
    ::close(fd);
    if (echoThread.joinable())
        echoThread.join();
    if (echoProcess > 0)
        ::waitpid(echoProcess, nullptr, 0);
    ::close(listener);
    return us;
}

class DemoServer {
public:
    bool start(bool tls) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        QStringList args{QStringLiteral("start"),
                         QStringLiteral("--dir"),
                         m_dir.path(),
                         QStringLiteral("--port"),
                         QString::number(m_port),
                         QStringLiteral("--routines"),
                         sourceDir() + QStringLiteral("/bench/gateway")};
        // An empty argument would be taken for an unknown option.
        if (tls)
            args << QStringLiteral("--tls");
        QProcess script;
        script.start(sourceDir() + QStringLiteral("/demo/erp-server"), args);
        if (!script.waitForFinished(120000) || script.exitCode() != 0) {
            std::fprintf(stderr, "erp-server start failed: %s\n",
                         script.readAllStandardError().constData());
            return false;
        }
        m_started = true;
        ServerProfile target{ServerProfile::Kind::Cache, QStringLiteral("127.0.0.1"),
                             QString::number(m_port)};
        target.tls = tls;
        writeServerProfile(m_dir.path() + QStringLiteral("/bench.mco"), target, nullptr);
        channel.settings.security.caFile = m_dir.path() + QStringLiteral("/ca.pem");
        m_security.tls = tls;
        m_security.caFile = channel.settings.security.caFile;
        channel.settings.profileDirectory = m_dir.path();
        // The listener may need a moment after printing its PID.
        QString error;
        for (int attempt = 0; attempt < 50; ++attempt) {
            // The import works in the user's context: the demo user logs on first.
            if (channel.ConnectByProfile(QStringLiteral("bench"), &error) &&
                !channel
                     .CheckServerPassword(QStringLiteral("1"), QStringLiteral("0"),
                                          QStringLiteral("demo"))
                     .isEmpty())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    ~DemoServer() {
        channel.ServerDisconnect();
        if (m_started) {
            QProcess script;
            script.start(sourceDir() + QStringLiteral("/demo/erp-server"),
                         {QStringLiteral("stop"), QStringLiteral("--dir"), m_dir.path()});
            script.waitForFinished(60000);
        }
    }

    quint16 port() const { return m_port; }
    const LineSecurity &security() const { return m_security; }

private:
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    bool m_started = false;
    LineSecurity m_security;
};

// Microseconds per unique record line run by XECUTE in a serving process, less the cost of
// building the line text there (the client builds it in (c)). A FOR runs to the end of its
// line, so each loop stops its own clock on its last turn.
double inProcess(long first, long count) {
    const QString build =
        QStringLiteral("S l=\"S P0=$$WINKWP^BRKWPCOM(\"\"\"_$$SAMPLE^KWPBENCH(i)_\"\"\") "
                       "W:$F($ZV,\"\"MSM\"\") P0\"");
    const QString loop =
        QStringLiteral("N i,l,t0 S t0=$$US^KWPBENCH F i=%1:1:%2 %3%4 I i=%2 S P0=$$US^KWPBENCH-t0");
    const QString withXecute = loop.arg(first).arg(first + count - 1).arg(build, " X l");
    const QString buildOnly = loop.arg(first + count).arg(first + 2 * count - 1).arg(build, "");
    const ServerAnswer full = ServerExecuteChecked(withXecute);
    const ServerAnswer building = ServerExecuteChecked(buildOnly);
    if (!full.ok || !building.ok)
        return -1;
    return (full.answer.toDouble() - building.answer.toDouble()) / count;
}

void runAll(const char *title, bool tls) {
    DemoServer server;
    if (!server.start(tls))
        return;
    std::printf("%s\n", title);

    long next = 1000000;
    // The batch's opening record, which every connection sends before its line records.
    const QString opening = answering(QStringLiteral("$$WINKWP^BRKWPCOM(\"1, 1000```202401\")"));
    QString answer = ServerExecute(opening);
    const qsizetype requestSize = 8 + 2 + recordLine(next).toLatin1().size();
    const qsizetype replySize = 4 * 8 + 1;
    const double a = pingPong(requestSize, replySize, Echo::OwnProcess);
    std::printf("  (a) raw TCP ping-pong, %lld/%lld bytes: %9.0f round trips/s (%.2f us)\n",
                static_cast<long long>(requestSize), static_cast<long long>(replySize), 1e6 / a, a);
    const double a2 = pingPong(requestSize, replySize, Echo::Thread);
    std::printf("  (a') the same, echo in a thread:       %9.0f round trips/s (%.2f us)\n",
                1e6 / a2, a2);

    const double b = perCall([](long) { ServerExecute(QStringLiteral("S P0=1")); });
    std::printf("  (b) ServerExecute \"S P0=1\":         %9.0f round trips/s (%.2f us)\n", 1e6 / b,
                b);

    // The same through a bare LineClient: what the text layers above it cost.
    LineClient raw;
    LineClient::Reply reply;
    double bare = -1;
    if (raw.connectTo(QStringLiteral("127.0.0.1"), QString::number(server.port()), 5000,
                      server.security()) &&
        raw.greet('C', "KORVEX", 5000) && raw.logOn("1", "0", "demo", 30000, reply)) {
        bare = perCall([&](long) { raw.execute("S P0=1", false, 30000, reply); });
        std::printf("  (b') LineClient \"S P0=1\":           %9.0f round trips/s (%.2f us)\n",
                    1e6 / bare, bare);
        // The log-on: the request with its values against the check line it replaces.
        long notLoggedOn = 0;
        const double request = perCall([&](long) {
            if (!raw.logOn("1", "0", "demo", 30000, reply) || !reply.p0.startsWith("DEMO`"))
                ++notLoggedOn;
        });
        const double line = perCall([&](long) {
            if (!raw.execute("D PASS^%ONLCL0(1,0,\"demo\")", false, 30000, reply) ||
                !reply.p0.startsWith("DEMO`"))
                ++notLoggedOn;
        });
        std::printf("  (g) log-on request:                   %9.0f round trips/s (%.2f us)%s\n"
                    "  (g') the check as a line, as before:  %9.0f round trips/s (%.2f us)\n",
                    1e6 / request, request, notLoggedOn ? " FAILED LOG-ONS" : "", 1e6 / line, line);
    }
    raw.close();

    long refused = 0;
    const double c = perCall([&](long) {
        if (!ServerExecute(recordLine(++next)).isEmpty())
            ++refused;
    });
    std::printf("  (c) ServerExecute unique WINKWP line: %9.0f round trips/s (%.2f us)%s\n",
                1e6 / c, c, refused ? " REFUSED LINES" : "");

    // (c)'s lines as the MSM server kind sends them: persona M, what the line writes captured.
    LineClient msm;
    if (msm.connectTo(QStringLiteral("127.0.0.1"), QString::number(server.port()), 5000,
                      server.security()) &&
        msm.greet('M', "KORVEX", 5000) && msm.logOn("1", "0", "demo", 30000, reply) &&
        msm.execute(opening.toLatin1(), true, 30000, reply) && reply.output.isEmpty()) {
        long failed = 0;
        const double f = perCall([&](long) {
            if (!msm.execute(recordLine(++next).toLatin1(), true, 30000, reply) ||
                reply.code != "0" || !reply.output.isEmpty())
                ++failed;
        });
        std::printf("  (f) the same, persona M with capture:  %9.0f round trips/s (%.2f us)%s\n",
                    1e6 / f, f, failed ? " FAILED LINES" : "");
    }
    msm.close();

    // What the client itself spends on a line of (c): building, encoding, decoding.
    const auto charset = ServerCharset::byName(channel.settings.charset);
    QByteArray encoded;
    QString decoded;
    const double e = perCall([&](long i) {
        encoded.clear();
        charset->encode(recordLine(i), encoded, nullptr);
        charset->decode(encoded.constData(), 0, decoded);
    });
    std::printf("  (e) client cost of a (c) line:        %9.0f lines/s       (%.2f us)\n", 1e6 / e,
                e);

    const double d = inProcess(next + 1, 20000);
    std::printf("  (d) in-process XECUTE of (c)'s line:  %9.0f lines/s       (%.2f us)\n", 1e6 / d,
                d);
    std::printf("  the service's own path per line, (c)-(a)-(d): %.2f us\n", c - a - d);
    // Over TLS the floor of a round trip is the service's smallest line on the same path.
    const double floor = tls ? bare : a;
    const double ratio = (1e6 / c) / (1e6 / (floor + d));
    std::printf("  limit 1/(%s+d) %.0f/s; (c)/limit = %.2f (target >= %s)\n", tls ? "b'" : "a",
                1e6 / (floor + d), ratio, tls ? "0.5" : "0.75");
    Q_UNUSED(answer);
}

void setCpus(bool pinned) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (pinned) {
        CPU_SET(0, &set);
    } else {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            CPU_SET(cpu, &set);
    }
    sched_setaffinity(0, sizeof set, &set);
}
} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    channel.settings.answerTimeoutMs = 120000;
    // The server inherits the affinity of this process, so pin before starting it.
    setCpus(true);
    runAll("pinned to CPU 0 (client and server):", false);
    runAll("pinned to CPU 0, TLS:", true);
    setCpus(false);
    runAll("unpinned:", false);
    runAll("unpinned, TLS:", true);
    return 0;
}
