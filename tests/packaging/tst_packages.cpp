#include "core/Version.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RawLineClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

namespace {
// The line service refuses to run as root: under root the test runs it as this user.
const char serviceUser[] = "nobody";
constexpr int ProcessTimeoutMs = 60000;

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {}) {
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    Run result;
    if (!process.waitForFinished(ProcessTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = process.errorString().toUtf8();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// A command as the service's user: under root through runuser, otherwise as it is.
Run runAsService(const QStringList &command, const QByteArray &input = {}) {
    if (!runningAsRoot())
        return run(command.first(), command.mid(1), input);
    return run(QStringLiteral("runuser"),
               QStringList{QStringLiteral("-u"), QLatin1String(serviceUser), QStringLiteral("--")} +
                   command,
               input);
}

// The newest GT.M of the Debian package.
QString gtmDist() {
    const QDir base(QStringLiteral("/usr/lib/x86_64-linux-gnu/fis-gtm"));
    const QStringList versions = base.entryList({QStringLiteral("V*")}, QDir::Dirs, QDir::Name);
    return versions.isEmpty() ? QString() : base.filePath(versions.last());
}
} // namespace

// The packages as a user installs them: unpacked into a scratch folder, their programs run
// from there, the line service against a scratch GT.M database.
class PackagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void control_data();
    void control();
    void files_data();
    void files();
    void desktopEntry();
    void kwpctlVersion();
    void lineService();
    void systemdUnit();
    void cleanupTestCase();

private:
    QString packagePath(const QString &name, const QString &architecture) const;
    QString installed(const QString &path) const { return m_root.filePath(path); }
    QStringList serviceEnvironment() const;
    void stopService();

    QString m_packageDir;
    QTemporaryDir m_root;
    QTemporaryDir m_scratch;
    QString m_conf;
    quint16 m_port = 0;
};

namespace {
// The value of a key of the installed unit's [Service] section.
QString unitValue(const QString &unitFile, const QString &key) {
    QFile file(unitFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
    return {};
}
} // namespace

QString PackagesTest::packagePath(const QString &name, const QString &architecture) const {
    return m_packageDir +
           QStringLiteral("/%1_%2_%3.deb").arg(name, QLatin1String(versionText), architecture);
}

void PackagesTest::initTestCase() {
    m_packageDir = qEnvironmentVariable("KWP_PACKAGE_DIR");
    if (m_packageDir.isEmpty())
        m_packageDir = ErpServerFixture::sourceDir() + QStringLiteral("/build-package/packages");
    if (!QFile::exists(packagePath(QStringLiteral("kwp-lineservice"), QStringLiteral("all"))))
        QSKIP("No packages: scripts/package.sh builds them (scripts/run-tests.sh does).");
    QVERIFY(m_root.isValid() && m_scratch.isValid());
    for (const QString &package :
         {packagePath(QStringLiteral("kwp-import"), QStringLiteral("amd64")),
          packagePath(QStringLiteral("kwp-lineservice"), QStringLiteral("all"))}) {
        const Run unpacked =
            run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), package, m_root.path()});
        QVERIFY2(unpacked.exitCode == 0, unpacked.err.constData());
    }
    // Readable for the service's user, as an installation is.
    QVERIFY(QFile::setPermissions(m_root.path(), QFile::permissions(m_root.path()) |
                                                     QFile::ReadOther | QFile::ExeOther));
}

void PackagesTest::control_data() {
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected"); // contained in the field's value
    const QString program = packagePath(QStringLiteral("kwp-import"), QStringLiteral("amd64"));
    const QString service = packagePath(QStringLiteral("kwp-lineservice"), QStringLiteral("all"));
    QTest::newRow("program name") << program << "Package"
                                  << "kwp-import";
    QTest::newRow("program version") << program << "Version" << versionText;
    QTest::newRow("program libraries") << program << "Depends"
                                       << "libqt6widgets6";
    QTest::newRow("program SQLite driver") << program << "Depends"
                                           << "libqt6sql6-sqlite";
    QTest::newRow("program German Qt texts") << program << "Depends"
                                             << "qt6-translations-l10n";
    QTest::newRow("service name") << service << "Package"
                                  << "kwp-lineservice";
    QTest::newRow("service version") << service << "Version" << versionText;
    QTest::newRow("service engine") << service << "Depends"
                                    << "fis-gtm";
}

void PackagesTest::control() {
    QFETCH(QString, package);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const Run fields = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), package, field});
    QCOMPARE(fields.exitCode, 0);
    QVERIFY2(QString::fromUtf8(fields.out).contains(expected), fields.out.constData());
}

void PackagesTest::files_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::newRow("program") << "usr/bin/kwp-import" << true;
    QTest::newRow("kwpctl") << "usr/bin/kwpctl" << true;
    QTest::newRow("README") << "usr/share/doc/kwp-import/README.md" << false;
    QTest::newRow("example INI") << "usr/share/doc/kwp-import/kwp-import.ini.example" << false;
    QTest::newRow("service script") << "usr/sbin/kwplsvc" << true;
    QTest::newRow("service routine") << "usr/share/kwp-lineservice/r/KWPLSVC.m" << false;
    QTest::newRow("service configuration")
        << "usr/share/doc/kwp-lineservice/kwplsvc.conf.example" << false;
    QTest::newRow("systemd unit") << "usr/lib/systemd/system/kwplsvc.service" << false;
}

void PackagesTest::files() {
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    QCOMPARE(file.isExecutable(), executable);
}

void PackagesTest::desktopEntry() {
    QSettings entry(installed(QStringLiteral("usr/share/applications/kwp-import.desktop")),
                    QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    QVERIFY(QFileInfo(installed(QStringLiteral("usr/bin/") + exec)).isExecutable());
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    for (const QString &size : {QStringLiteral("32x32"), QStringLiteral("256x256")})
        QVERIFY(QFile::exists(
            installed(QStringLiteral("usr/share/icons/hicolor/%1/apps/%2.png").arg(size, icon))));
    QVERIFY(QFile::exists(installed(QStringLiteral("usr/share/icons/hicolor/scalable/apps/") +
                                    icon + QStringLiteral(".svg"))));
}

void PackagesTest::kwpctlVersion() {
    const Run version =
        run(installed(QStringLiteral("usr/bin/kwpctl")), {QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(QString::fromUtf8(version.out).section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("kwpctl ") + QLatin1String(versionText));
}

QStringList PackagesTest::serviceEnvironment() const {
    const QString dist = gtmDist();
    return {QStringLiteral("env"), QStringLiteral("gtm_dist=") + dist,
            QStringLiteral("gtmgbldir=") + m_scratch.filePath(QStringLiteral("kwp.gld")),
            QStringLiteral("gtmroutines=") + dist + QStringLiteral("/libgtmutil.so"),
            QStringLiteral("gtm_chset=M")};
}

void PackagesTest::lineService() {
    const QString dist = gtmDist();
    QVERIFY2(!dist.isEmpty(), "GT.M is not installed");
    const QString dir = m_scratch.path();
    QVERIFY(QDir(dir).mkpath(QStringLiteral("o")) && QDir(dir).mkpath(QStringLiteral("run")));
    if (runningAsRoot()) {
        const passwd *user = ::getpwnam(serviceUser);
        QVERIFY(user);
        for (const QString &path : {dir, dir + QStringLiteral("/o"), dir + QStringLiteral("/run")})
            QCOMPARE(::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid), 0);
    }

    const Run gde = runAsService(
        serviceEnvironment() + QStringList{dist + QStringLiteral("/mumps"), QStringLiteral("-run"),
                                           QStringLiteral("GDE")},
        QStringLiteral("change -segment DEFAULT -file_name=%1/kwp.dat\nexit\n").arg(dir).toUtf8());
    QVERIFY2(gde.exitCode == 0, gde.err.constData());
    const Run create =
        runAsService(serviceEnvironment() +
                     QStringList{dist + QStringLiteral("/mupip"), QStringLiteral("create")});
    QVERIFY2(create.exitCode == 0, create.err.constData());

    const quint16 port = ErpServerFixture::freePort();
    m_conf = dir + QStringLiteral("/kwplsvc.conf");
    QFile conf(m_conf);
    QVERIFY(conf.open(QIODevice::WriteOnly));
    // The ERP's password check, as a site has it: the demo user's password is "demo".
    QVERIFY(QDir(dir).mkpath(QStringLiteral("x")));
    QFile check(dir + QStringLiteral("/x/KWPPKGCK.m"));
    QVERIFY(check.open(QIODevice::WriteOnly));
    check.write("KWPPKGCK ; log-on check of the package test\n"
                "CHECK(c,b,p) S P0=$S(c=1&(b=0)&(p=\"demo\"):\"DEMO`1`Paket`1\",1:\"\") Q\n");
    check.close();
    QVERIFY(QFile::setPermissions(check.fileName(),
                                  QFile::permissions(check.fileName()) | QFile::ReadOther));
    m_port = port;
    conf.write(QStringLiteral("port=%1\nallow=127.0.0.1\nnamespace=KORVEX=%2/kwp.gld\n"
                              "pidfile=%2/kwplsvc.pid\nlogfile=%2/kwplsvc.log\n"
                              "stopfile=%2/kwplsvc.stop\nworkdir=%2/run\n"
                              "logoncheck=CHECK^KWPPKGCK\n"
                              "routines=%2/o(%2/x %3) %4/libgtmutil.so\ngtmdist=%4\n")
                   .arg(port)
                   .arg(dir, installed(QStringLiteral("usr/share/kwp-lineservice/r")), dist)
                   .toUtf8());
    conf.close();

    const QString kwplsvc = installed(QStringLiteral("usr/sbin/kwplsvc"));
    const Run start = runAsService({kwplsvc, QStringLiteral("start"), m_conf});
    QVERIFY2(start.exitCode == 0, start.err.constData());
    const qint64 pid = start.out.trimmed().toLongLong();
    QVERIFY(ErpServerFixture::processAlive(pid));
    if (runningAsRoot())
        QCOMPARE(QFileInfo(QStringLiteral("/proc/%1").arg(pid)).ownerId(),
                 ::getpwnam(serviceUser)->pw_uid);

    RawLineClient client;
    QVERIFY(client.open(port));
    QList<QByteArray> reply = client.execute("S ^KWPPKG=6*7 S P0=$G(^KWPPKG)");
    QVERIFY(reply.size() == 4);
    QCOMPARE(reply[0], QByteArray("0"));
    QCOMPARE(reply[2], QByteArray("42"));
    client.close();

    QVERIFY(client.greet(port));
    QCOMPARE(client.execute("S P0=1").value(0), QByteArray("5")); // not logged on
    client.close();

    const Run stop = runAsService({kwplsvc, QStringLiteral("stop"), m_conf});
    QCOMPARE(stop.exitCode, 0);
    const Run status = runAsService({kwplsvc, QStringLiteral("status"), m_conf});
    QCOMPARE(status.exitCode, 1);
}

// The installed unit passes systemd's own check with the installed files, and its command
// starts the service in the foreground, as systemd would.
void PackagesTest::systemdUnit() {
    if (m_conf.isEmpty())
        QSKIP("lineService did not prepare a database");
    const QString unit = installed(QStringLiteral("usr/lib/systemd/system/kwplsvc.service"));
    // systemd's targets, which the unit's default dependencies name, into the scratch root.
    const QDir targets(QStringLiteral("/usr/lib/systemd/system"));
    for (const QString &target : targets.entryList({QStringLiteral("*.target")}, QDir::Files))
        QFile::copy(targets.filePath(target),
                    installed(QStringLiteral("usr/lib/systemd/system/")) + target);
    const Run verify =
        run(QStringLiteral("systemd-analyze"),
            {QStringLiteral("verify"), QStringLiteral("--root=") + m_root.path(), unit});
    QVERIFY2(verify.exitCode == 0, (verify.out + verify.err).constData());

    QStringList command = unitValue(unit, QStringLiteral("ExecStart")).split(QLatin1Char(' '));
    QCOMPARE(command.size(), 3);
    QCOMPARE(command[1], QStringLiteral("run"));
    QVERIFY2(QFileInfo(installed(command[0].mid(1))).isExecutable(), qPrintable(command[0]));
    QProcess service;
    const QStringList asUser =
        runningAsRoot()
            ? QStringList{QStringLiteral("-u"), QLatin1String(serviceUser), QStringLiteral("--")}
            : QStringList();
    service.start(runningAsRoot() ? QStringLiteral("runuser") : installed(command[0].mid(1)),
                  runningAsRoot()
                      ? asUser + QStringList{installed(command[0].mid(1)), command[1], m_conf}
                      : QStringList{command[1], m_conf});
    QVERIFY(service.waitForStarted());
    RawLineClient client;
    bool served = false;
    for (int attempt = 0; attempt < 100 && !served; ++attempt) {
        served = client.open(m_port);
        if (!served)
            QThread::msleep(100);
    }
    QVERIFY2(served, service.readAllStandardError().constData());
    QCOMPARE(client.execute("S P0=$G(^KWPPKG)").value(2), QByteArray("42"));
    client.close();
    stopService();
    QVERIFY(service.waitForFinished(10000));
}

void PackagesTest::stopService() {
    if (m_conf.isEmpty())
        return;
    runAsService({installed(QStringLiteral("usr/sbin/kwplsvc")), QStringLiteral("stop"), m_conf});
    // Only a database no process uses may be run down; its shared memory would stay.
    runAsService(serviceEnvironment() +
                 QStringList{gtmDist() + QStringLiteral("/mupip"), QStringLiteral("rundown"),
                             QStringLiteral("-region"), QStringLiteral("DEFAULT")});
    m_conf.clear();
}

void PackagesTest::cleanupTestCase() {
    stopService();
}

QTEST_GUILESS_MAIN(PackagesTest)
#include "tst_packages.moc"
