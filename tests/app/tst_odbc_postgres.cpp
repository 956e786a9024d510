#include "PostgresServer.h"
#include "tests/support/DemoFixture.h"

#include "app/FMStart.h"
#include "core/PayrollDatabase.h"
#include "core/Session.h"
#include "tests/support/RecordedMessages.h"
#include "widgets/ListGrid.h"

#include <QComboBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The ODBC path, as SQL Server takes it in production, against a real PostgreSQL server
// through psqlODBC: the same start-up and preview must show exactly what the SQLite demo shows.
class TestOdbcPostgres : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void sameStartupAndPreviewAsSqlite();
    void readOnlyLogin();

private:
    PostgresServer server;
    QString odbc;
    bool exec(const QString &connection, const QStringList &statements);
};

bool TestOdbcPostgres::exec(const QString &connection, const QStringList &statements) {
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "setup");
        db.setDatabaseName(connection);
        if (!db.open()) {
            qWarning("%s", qPrintable(db.lastError().text()));
            ok = false;
        }
        for (const QString &statement : statements) {
            QSqlQuery q(db);
            if (ok && !q.exec(statement)) {
                qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("setup");
    return ok;
}

void TestOdbcPostgres::initTestCase() {
    QVERIFY2(QSqlDatabase::isDriverAvailable("QODBC"), "Qt ODBC driver missing (libqt6sql6-odbc)");
    QVERIFY2(QFile::exists("/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so") ||
                 QFile::exists("/usr/lib/odbc/psqlodbcw.so"),
             "psqlODBC missing (odbc-postgresql)");
    QVERIFY2(server.start(), qPrintable(server.error()));
    QVERIFY(exec(server.odbcConnectionString("postgres", "postgres"),
                 {"create database kwp", "create role kwpro login password 'QDRAMVK'"}));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "loader");
        db.setDatabaseName(server.odbcConnectionString("kwp", "postgres"));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        const DemoResult loaded = writeDemoPayroll(db, DemoFolder::standardOptions());
        QVERIFY2(loaded.ok, qPrintable(loaded.error));
        db.close();
    }
    QSqlDatabase::removeDatabase("loader");
    QVERIFY(exec(server.odbcConnectionString("kwp", "postgres"),
                 {"grant select on all tables in schema public to kwpro"}));
    odbc = server.odbcConnectionString("kwp", "kwpro", "QDRAMVK");
}

void TestOdbcPostgres::cleanupTestCase() {
    server.stop();
}

void TestOdbcPostgres::sameStartupAndPreviewAsSqlite() {
    DemoFolder demo;
    RecordedMessages messages;
    auto startOn = [&messages](const PayrollSource &source, QStringList *periods,
                               QStringList *clients, QStringList *rows) {
        Session session(messages);
        session.today = [] { return QDate(2024, 3, 15); };
        FMStart window(session, source);
        window.setEndProgram([](int) {});
        if (!window.Form_Load())
            return false;
        auto *periode = window.findChild<QComboBox *>(QStringLiteral("periode"));
        const ListGridModel &mandant =
            window.findChild<ListGrid *>(QStringLiteral("mandant"))->grid();
        const ListGridModel &list1 = window.findChild<ListGrid *>(QStringLiteral("list1"))->grid();
        for (int i = 0; i < periode->count(); ++i)
            periods->append(periode->itemText(i));
        for (int r = 0; r < mandant.rows(); ++r)
            clients->append(mandant.rowText(r));
        periode->setEditText("202401");
        window.refresh1();
        for (int r = 0; r < list1.rows(); ++r)
            rows->append(list1.rowText(r));
        return true;
    };
    QStringList sqlitePeriods, sqliteClients, sqliteRows;
    QVERIFY(startOn({PayrollSource::Kind::Sqlite, demo.databasePath()}, &sqlitePeriods,
                    &sqliteClients, &sqliteRows));
    QStringList odbcPeriods, odbcClients, odbcRows;
    QVERIFY(
        startOn(payrollSourceFromOption("odbc:" + odbc), &odbcPeriods, &odbcClients, &odbcRows));
    for (const UserMessage &m : messages.messages)
        qWarning("%s | %s", qPrintable(m.text), qPrintable(m.details));
    QCOMPARE(messages.messages.size(), 0);
    QCOMPARE(odbcPeriods, (QStringList{"202402", "202401", "202312"}));
    QCOMPARE(odbcPeriods, sqlitePeriods);
    QCOMPARE(odbcClients, sqliteClients);
    QVERIFY(sqliteRows.size() > 50);
    QCOMPARE(odbcRows.size(), sqliteRows.size());
    for (int i = 0; i < odbcRows.size(); ++i)
        QCOMPARE(odbcRows.at(i), sqliteRows.at(i));
}

void TestOdbcPostgres::readOnlyLogin() {
    PayrollConnection adocon;
    QVERIFY(adocon.open(payrollSourceFromOption("odbc:" + odbc)).ok);
    QSqlQuery q(adocon.database());
    QVERIFY(!q.exec("delete from FixLA"));
}

QTEST_MAIN(TestOdbcPostgres)
#include "tst_odbc_postgres.moc"
