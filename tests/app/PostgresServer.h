#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: a fresh cluster in a temporary folder, listening on a
// free port on 127.0.0.1 only, stopped by its PID. As root it runs as the system user
// "postgres", since the server refuses to run as root.
class PostgresServer {
public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // Creates the cluster and starts the server; false with error() when that fails.
    bool start();
    void stop();
    QString error() const { return problem; }
    int port() const { return serverPort; }

    // An ODBC connection string for psqlODBC to the given database and user.
    QString odbcConnectionString(const QString &database, const QString &user,
                                 const QString &password = QString()) const;

private:
    QTemporaryDir dir;
    QString binDir;
    int serverPort = 0;
    qint64 pid = 0;
    QString problem;
    bool run(const QStringList &command);
    QStringList asServerUser(const QStringList &command) const;
};
