#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {
QString findBinDir() {
    QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it)
        if (QFile::exists(lib.filePath(*it + QStringLiteral("/bin/postgres"))))
            return lib.filePath(*it + QStringLiteral("/bin"));
    return {};
}

int freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
} // namespace

PostgresServer::~PostgresServer() {
    stop();
}

QStringList PostgresServer::asServerUser(const QStringList &command) const {
    if (::geteuid() != 0)
        return command;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                       QStringLiteral("--")} +
           command;
}

bool PostgresServer::run(const QStringList &command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList full = asServerUser(command);
    process.start(full.first(), full.mid(1));
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        problem = full.join(QLatin1Char(' ')) + QStringLiteral(": ") +
                  QString::fromLocal8Bit(process.readAll()) + process.errorString();
        return false;
    }
    return true;
}

bool PostgresServer::start() {
    binDir = findBinDir();
    if (binDir.isEmpty()) {
        problem = QStringLiteral("PostgreSQL server binaries not found under /usr/lib/postgresql "
                                 "(package postgresql, installed by scripts/setup-deps.sh)");
        return false;
    }
    if (!dir.isValid()) {
        problem = dir.errorString();
        return false;
    }
    if (::geteuid() == 0) {
        QProcess chown;
        chown.start(QStringLiteral("chown"), {QStringLiteral("postgres:postgres"), dir.path()});
        if (!chown.waitForFinished() || chown.exitCode() != 0) {
            problem = QStringLiteral("chown failed for ") + dir.path();
            return false;
        }
    }
    const QString data = dir.filePath(QStringLiteral("data"));
    if (!run({binDir + QStringLiteral("/initdb"), QStringLiteral("-D"), data, QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C")}))
        return false;
    serverPort = freePort();
    const QStringList command = asServerUser(
        {binDir + QStringLiteral("/postgres"), QStringLiteral("-D"), data, QStringLiteral("-p"),
         QString::number(serverPort), QStringLiteral("-k"), dir.path(), QStringLiteral("-c"),
         QStringLiteral("listen_addresses=127.0.0.1"), QStringLiteral("-c"),
         QStringLiteral("fsync=off")});
    QProcess launcher;
    launcher.setStandardOutputFile(dir.filePath(QStringLiteral("server.log")));
    launcher.setStandardErrorFile(dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
    launcher.setProgram(command.first());
    launcher.setArguments(command.mid(1));
    qint64 launcherPid = 0;
    if (!launcher.startDetached(&launcherPid)) {
        problem = QStringLiteral("cannot start ") + command.join(QLatin1Char(' '));
        return false;
    }
    // The server writes its own PID into postmaster.pid; that is the process we stop.
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        QFile pidFile(data + QStringLiteral("/postmaster.pid"));
        if (pid == 0 && pidFile.open(QIODevice::ReadOnly))
            pid = pidFile.readLine().trimmed().toLongLong();
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(serverPort));
        if (pid != 0 && probe.waitForConnected(200))
            return true;
        QThread::msleep(100);
    }
    QFile log(dir.filePath(QStringLiteral("server.log")));
    log.open(QIODevice::ReadOnly);
    problem = QStringLiteral("PostgreSQL did not start: ") + QString::fromLocal8Bit(log.readAll());
    stop();
    return false;
}

void PostgresServer::stop() {
    if (pid <= 0)
        return;
    ::kill(pid_t(pid), SIGTERM);
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && ::kill(pid_t(pid), 0) == 0)
        QThread::msleep(50);
    if (::kill(pid_t(pid), 0) == 0)
        ::kill(pid_t(pid), SIGKILL);
    pid = 0;
}

QString PostgresServer::odbcConnectionString(const QString &database, const QString &user,
                                             const QString &password) const {
    return QStringLiteral("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=%2;"
                          "Uid=%3;Pwd=%4;")
        .arg(serverPort)
        .arg(database, user, password);
}
