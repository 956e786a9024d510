#include "tests/support/ErpServerFixture.h"

#include "gateway/ServerProfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>

#include <csignal>

namespace {
constexpr int StartTimeoutMs = 60000;
}

ErpServerFixture::ErpServerFixture(const QString &extraRoutines, const QStringList &options)
    : m_extraRoutines(extraRoutines)
    , m_options(options) {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    // A port found free can be taken by someone else before the service binds it.
    for (int attempt = 0; attempt < 3 && !start(extraRoutines, options); ++attempt) {
    }
}

ErpServerFixture::~ErpServerFixture() {
    stop();
}

QString ErpServerFixture::sourceDir() {
    const QString fromEnv = qEnvironmentVariable("KWP_SOURCE_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(KWP_SOURCE_DIR_DEFAULT) : fromEnv;
}

bool ErpServerFixture::processAlive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype afterName = text.lastIndexOf(')');
    return afterName > 0 && text.mid(afterName + 2, 1) != "Z";
}

bool ErpServerFixture::writeProfile(const QString &directory, const QString &name,
                                    ProfileKind kind) const {
    ServerProfile target;
    target.kind = kind;
    target.host = QStringLiteral("127.0.0.1");
    target.port = QString::number(m_port);
    return writeServerProfile(directory + QLatin1Char('/') + name + QStringLiteral(".mco"), target,
                              nullptr);
}

LogonValues ErpServerFixture::demoUser(const QString &profile) {
    LogonValues values;
    values.profile = profile;
    values.company = QStringLiteral("1");
    values.branch = QStringLiteral("0");
    values.password = QStringLiteral("demo");
    return values;
}

quint16 ErpServerFixture::freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, 0))
        return 0;
    return probe.serverPort();
}

bool ErpServerFixture::start(const QString &extraRoutines, const QStringList &options) {
    m_port = freePort();
    QStringList args{QStringLiteral("start"), QStringLiteral("--dir"), dir(),
                     QStringLiteral("--port"), QString::number(m_port)};
    if (!extraRoutines.isEmpty())
        args << QStringLiteral("--routines") << extraRoutines;
    args << options;
    QProcess script;
    script.start(sourceDir() + QStringLiteral("/demo/erp-server"), args);
    if (!script.waitForFinished(StartTimeoutMs) || script.exitCode() != 0) {
        m_error = QString::fromLocal8Bit(script.readAllStandardError()) + script.errorString();
        script.kill();
        return false;
    }
    const QList<QByteArray> lines = script.readAllStandardOutput().trimmed().split('\n');
    m_pid = lines.last().trimmed().toLongLong();
    if (m_pid <= 0)
        m_error = QStringLiteral("erp-server printed no PID");
    return m_pid > 0;
}

void ErpServerFixture::stop() {
    m_client.reset();
    if (m_pid <= 0)
        return;
    QProcess script;
    script.start(sourceDir() + QStringLiteral("/demo/erp-server"),
                 {QStringLiteral("stop"), QStringLiteral("--dir"), dir()});
    if (!script.waitForFinished(StartTimeoutMs)) {
        script.kill();
        ::kill(pid_t(m_pid), SIGKILL);
    }
    m_pid = 0;
}

bool ErpServerFixture::restart() {
    m_client.reset();
    m_pid = 0;
    m_error.clear();
    for (int attempt = 0; attempt < 3; ++attempt)
        if (start(m_extraRoutines, m_options))
            return true;
    return false;
}

void ErpServerFixture::kill() {
    m_client.reset();
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGKILL);
    // Serving processes mark themselves with their capture file kwplsvc-PID.out.
    const QStringList marks =
        QDir(dir() + QStringLiteral("/run")).entryList({QStringLiteral("kwplsvc-*.out")});
    for (const QString &mark : marks) {
        const qint64 child = mark.mid(8, mark.size() - 12).toLongLong();
        if (child > 0)
            ::kill(pid_t(child), SIGKILL);
    }
    // A process that removed its mark while ending still holds the listener's socket: the
    // processes of this server name its configuration in their command line.
    const QByteArray conf = QFile::encodeName(dir() + QStringLiteral("/kwplsvc.conf"));
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const qint64 pid = entry.toLongLong();
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (pid > 0 && cmdline.open(QIODevice::ReadOnly) &&
            cmdline.readAll().split('\0').contains(conf))
            ::kill(pid_t(pid), SIGKILL);
    }
}

QByteArray ErpServerFixture::evaluate(const QByteArray &line, bool *ok) {
    if (ok)
        *ok = false;
    if (!m_client) {
        m_client = std::make_unique<RawLineClient>();
        if (!m_client->open(m_port)) {
            m_client.reset();
            return {};
        }
    }
    const QList<QByteArray> reply = m_client->execute(line);
    if (reply.isEmpty()) {
        m_client.reset();
        return {};
    }
    if (ok)
        *ok = reply[0] == "0";
    return reply[2];
}

QByteArray ErpServerFixture::global(const QByteArray &reference) {
    return evaluate("S P0=$G(" + reference + ")");
}

bool ErpServerFixture::setGlobal(const QByteArray &reference, const QByteArray &value) {
    bool ok = false;
    evaluate("S " + reference + "=" + mLiteral(value), &ok);
    return ok;
}

bool ErpServerFixture::killGlobal(const QByteArray &reference) {
    bool ok = false;
    evaluate("K " + reference, &ok);
    return ok;
}

int ErpServerFixture::lastBatch() {
    return global("^KWPIMP").toInt();
}

QByteArray ErpServerFixture::storedLine(int batch, int n) {
    return global("^KWPIMP(" + QByteArray::number(batch) + "," + QByteArray::number(n) + ")");
}

QByteArray ErpServerFixture::mLiteral(const QByteArray &bytes) {
    QByteArray out;
    bool inString = false;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127) {
            out += inString ? "\"_" : (out.isEmpty() ? "" : "_");
            out += "$C(" + QByteArray::number(u) + ")";
            inString = false;
            continue;
        }
        if (!inString) {
            out += out.isEmpty() ? "\"" : "_\"";
            inString = true;
        }
        out += c == '"' ? QByteArray("\"\"") : QByteArray(1, c);
    }
    if (inString)
        out += '"';
    return out.isEmpty() ? QByteArray("\"\"") : out;
}
