#pragma once

#include "gateway/Logon.h"
#include "gateway/ServerProfile.h"
#include "tests/support/RawLineClient.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A demo ERP server (demo/erp-server: GT.M database, line service, stand-in routines) in a
// temporary folder on a free loopback port, for one test program or one test. Its
// destructor stops the server by PID and runs the database down.
//
// What the stand-ins keep (see demo/mumps/BRKWPCOM.m): ^KWPIMP is the last batch number,
// ^KWPIMP(b) its opening record, ^KWPIMP(b,n) line record n; ^KWPTEST("refuse",n)=text makes
// record n (0: the opening record) be refused with text, ^KWPTEST("answer",n)=text makes it
// be taken and answered with text, ^KWPTEST("hang",n)=secs makes line record n be stored only
// after secs seconds. Demo users: company 1, branch 0, password "demo".
class ErpServerFixture {
public:
    // Starts the server; extraRoutines is a folder whose routines replace the stand-ins;
    // options go to demo/erp-server start (e.g. "--tls").
    explicit ErpServerFixture(const QString &extraRoutines = {}, const QStringList &options = {});
    ~ErpServerFixture();
    ErpServerFixture(const ErpServerFixture &) = delete;
    ErpServerFixture &operator=(const ErpServerFixture &) = delete;

    bool isRunning() const { return m_pid > 0; }
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    QString dir() const { return m_dir.path(); }
    qint64 pid() const { return m_pid; }
    QString logFile() const { return dir() + QStringLiteral("/kwplsvc.log"); }

    // Runs one line through the service (persona C, namespace "KORVEX") on the fixture's own
    // connection and returns P0; ok tells whether the line ran. Bytes only, nothing converted.
    QByteArray evaluate(const QByteArray &line, bool *ok = nullptr);
    // The value of a global node byte for byte, e.g. global("^KWPIMP(1,3)"); empty if undefined.
    QByteArray global(const QByteArray &reference);
    bool setGlobal(const QByteArray &reference, const QByteArray &value);
    bool killGlobal(const QByteArray &reference);
    // The last batch of the WINKWP stand-in: its number, and its line record n.
    int lastBatch();
    QByteArray storedLine(int batch, int n);

    // Writes the server profile "<name>.mco" for this server into directory: of the Caché kind
    // or of the MSM kind (our MSM client's keys).
    using ProfileKind = ServerProfile::Kind;
    bool writeProfile(const QString &directory, const QString &name, ProfileKind kind) const;

    // Ends the listener and every serving process with SIGKILL, as a crash would.
    void kill();
    // Stops the server by its PID (the destructor does this too).
    void stop();
    // Starts the server again on the same database, after kill() or stop(), on a new port.
    bool restart();

    // An M string expression for any bytes: "ab"_$C(10)_"c" (quotes doubled, controls as $C).
    static QByteArray mLiteral(const QByteArray &bytes);
    // The folder of the source tree (KWP_SOURCE_DIR, else the one the tests were built from).
    static QString sourceDir();
    // Whether the process runs; a zombie does not (this machine's init may never reap it).
    static bool processAlive(qint64 pid);
    // The demo user's log-on (company 1, branch 0, password "demo") through the profile.
    static LogonValues demoUser(const QString &profile);
    // A TCP port nobody listens on just now.
    static quint16 freePort();

private:
    bool start(const QString &extraRoutines, const QStringList &options);

    QString m_extraRoutines;
    QStringList m_options;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    qint64 m_pid = 0;
    QString m_error;
    std::unique_ptr<RawLineClient> m_client;
};
