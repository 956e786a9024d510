#include "core/Decimal.h"
#include "core/ListGridModel.h"
#include "core/PayrollDatabase.h"
#include "core/PayrollQuery.h"
#include "core/Preview.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestPayrollQuery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exactValues_data();
    void exactValues();
    void neverWrites();
    void previewRow();
    void failedFillKeepsRows();
    void options_data();
    void options();
    void iniConnection_data();
    void iniConnection();

private:
    QTemporaryDir dir;
    PayrollConnection adocon;
};

void TestPayrollQuery::initTestCase() {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(dir.filePath("values.sqlite"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("create table T (k integer, d date, ts datetime, n decimal(12,2), "
                       "u decimal(6,1), r real, i integer, t varchar(20))"));
        QVERIFY(q.exec("insert into T values (1, '2024-03-01', '2024-03-01 14:05:00', '1234.50', "
                       "'1234.5', 0.1, 42, 'Größe')"));
        QVERIFY(q.exec("insert into T values (2, NULL, '2024-03-01 00:00:00', '-20.00', NULL, "
                       "NULL, NULL, '')"));
        db.close();
    }
    QSqlDatabase::removeDatabase("writer");
    QVERIFY(adocon.open({PayrollSource::Kind::Sqlite, dir.filePath("values.sqlite")}).ok);
}

void TestPayrollQuery::exactValues_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("columnName");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("date") << 1 << "d" << QVariant(QDate(2024, 3, 1));
    QTest::newRow("datetime") << 1 << "ts" << QVariant(QDateTime(QDate(2024, 3, 1), QTime(14, 5)));
    // SQLite stores decimals as binary doubles; the conversions read them in shortest form.
    QTest::newRow("decimal") << 1 << "n" << QVariant(1234.5);
    QTest::newRow("real") << 1 << "r" << QVariant(0.1);
    QTest::newRow("integer") << 1 << "i" << QVariant(qint64(42));
    QTest::newRow("text") << 1 << "t" << QVariant(QStringLiteral("Größe"));
    QTest::newRow("null date") << 2 << "d" << QVariant();
    QTest::newRow("null decimal") << 2 << "u" << QVariant();
    QTest::newRow("midnight") << 2 << "ts" << QVariant(QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    QTest::newRow("whole decimal") << 2 << "n" << QVariant(qint64(-20));
}

void TestPayrollQuery::exactValues() {
    QFETCH(int, key);
    QFETCH(QString, columnName);
    QFETCH(QVariant, expected);
    PayrollQuery query(adocon.database());
    QVERIFY(query.exec(QStringLiteral("select %1 from T where k = %2").arg(columnName).arg(key)));
    QVERIFY(query.next());
    const QVariant value = query.value(0);
    if (!expected.isValid()) {
        QVERIFY(value.isNull());
        return;
    }
    QCOMPARE(value.userType(), expected.userType());
    QCOMPARE(value, expected);
    QVERIFY(!query.next());
    QVERIFY(query.error().isEmpty());
}

void TestPayrollQuery::neverWrites() {
    PayrollQuery query(adocon.database());
    QVERIFY(!query.exec("insert into T (k) values (3)"));
    QVERIFY(!query.error().isEmpty());
    PayrollQuery count(adocon.database());
    QVERIFY(count.exec("select count(*) from T"));
    QVERIFY(count.next());
    QCOMPARE(count.value(0).toInt(), 2);
}

void TestPayrollQuery::previewRow() {
    const QString query = "select k, 2, 3, $$PERIODE$$, NULL, 'Ang.', d, 'A', 'W', 'ledig', d, "
                          "NULL, u, n, 100, n, r, n, '1234010185' from T where k in ($$MANDANT$$) "
                          "order by k";
    ListGridModel list1;
    const FillOutcome filled = FillList(list1, "202402", "1, 2, 1000", adocon.database(), query);
    QVERIFY(filled.ok);
    QCOMPARE(list1.rows(), 2);
    QCOMPARE(filled.records, 2);
    const QString g = regionalLocale().groupSeparator();
    QCOMPARE(list1.rowText(0), "1;2;3;202402;;Ang.;01.03.2024;A;W;ledig;01.03.2024;;1" + g +
                                   "234,5;1" + g + "234,50;100;1" + g + "234,50;0,10;1" + g +
                                   "234,50;1234010185");
    QCOMPARE(list1.rowText(1), "2;2;3;202402;;Ang.;;A;W;ledig;;;;-20,00;100;-20,00;;-20,00;"
                               "1234010185");
}

void TestPayrollQuery::failedFillKeepsRows() {
    ListGridModel list1;
    list1.addRow("kept");
    const FillOutcome failed = FillList(list1, "202402", "1000", adocon.database(),
                                        "select nothing from $$PERIODE$$ $$MANDANT$$");
    QVERIFY(!failed.ok);
    QVERIFY(!failed.details.isEmpty());
    QCOMPARE(list1.rowText(0), QStringLiteral("kept"));
}

void TestPayrollQuery::options_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    QTest::newRow("file") << "/data/lohn.sqlite" << int(PayrollSource::Kind::Sqlite)
                          << "/data/lohn.sqlite";
    QTest::newRow("odbc") << "odbc:Driver={X};Server=h;" << int(PayrollSource::Kind::Odbc)
                          << "Driver={X};Server=h;";
}

void TestPayrollQuery::options() {
    QFETCH(QString, option);
    QFETCH(int, kind);
    QFETCH(QString, target);
    const PayrollSource source = payrollSourceFromOption(option);
    QCOMPARE(int(source.kind), kind);
    QCOMPARE(source.target, target);

    QTemporaryDir iniDir;
    const QString ini = iniDir.filePath("kwp-import.ini");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Payroll]\nDataSource=LOHNSRV\\\\SQL2019\nDriver=FreeTDS\n");
    file.close();
    const PayrollSource fromIni = payrollSourceFromIni(ini);
    QCOMPARE(fromIni.kind, PayrollSource::Kind::Odbc);
    QCOMPARE(fromIni.target,
             QStringLiteral("Driver={FreeTDS};Server=LOHNSRV\\SQL2019;UID=KWPRO;PWD=QDRAMVK;"));
    QVERIFY(!fromIni.describe().contains("QDRAMVK"));
}

void TestPayrollQuery::iniConnection_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("target");  // after the fixed part with the login
    QTest::addColumn<QString>("problem"); // a part of it; empty: none
    const QByteArray head = "[Payroll]\nDataSource=LOHNSRV\\\\SQL2019\n";
    QTest::newRow("driver's defaults") << head << ""
                                       << "";
    QTest::newRow("self-signed certificate") << head + "Encrypt=yes\nTrustServerCertificate=yes\n"
                                             << "Encrypt=yes;TrustServerCertificate=yes;"
                                             << "";
    QTest::newRow("further attributes")
        << head + "Encrypt=strict\n[PayrollDriver]\nHostnameInCertificate=lohnsrv.firma.at\n"
                  "ConnectRetryCount=3\n"
        << "Encrypt=strict;ConnectRetryCount=3;HostnameInCertificate=lohnsrv.firma.at;"
        << "";
    QTest::newRow("values cannot add attributes")
        << head + "Encrypt=\"no;UID=sa\"\nTrustServerCertificate=yes}\n"
                  "[PayrollDriver]\nApp=\"a};PWD=x;{\"\nLanguage=\" Deutsch\"\n"
        << "Encrypt={no;UID=sa};TrustServerCertificate={yes}}};App={a}};PWD=x;{};"
           "Language={ Deutsch};"
        << "";
    QTest::newRow("comma in a value") << head + "[PayrollDriver]\nApp=\"a,b\"\n"
                                      << "App=a,b;"
                                      << "";
    QTest::newRow("login is fixed") << head + "[PayrollDriver]\nuid=sa\n"
                                    << ""
                                    << "\u201Euid\u201C legt das Programm";
    QTest::newRow("encryption has its own keys") << head + "[PayrollDriver]\nEncrypt=no\n"
                                                 << ""
                                                 << "\u201EEncrypt\u201C legt das Programm";
    QTest::newRow("no keyword") << head + "[PayrollDriver]\nA%3BB=1\n"
                                << ""
                                << "\u201EA;B\u201C ist kein";
}

void TestPayrollQuery::iniConnection() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, target);
    QFETCH(QString, problem);
    QTemporaryDir iniDir;
    const QString path = iniDir.filePath("kwp-import.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ini);
    file.close();
    const PayrollSource source = payrollSourceFromIni(path);
    QCOMPARE(source.kind, PayrollSource::Kind::Odbc);
    if (problem.isEmpty()) {
        QCOMPARE(source.problem, QString());
        QCOMPARE(source.target, "Driver={ODBC Driver 18 for SQL Server};Server=LOHNSRV\\SQL2019;"
                                "UID=KWPRO;PWD=QDRAMVK;" +
                                    target);
        return;
    }
    QVERIFY2(source.problem.contains(problem), qPrintable(source.problem));
    QVERIFY(source.problem.contains(path));
    PayrollConnection adocon; // refuses to open without asking a driver
    const OpenResult opened = adocon.open(source);
    QVERIFY(!opened.ok);
    QCOMPARE(opened.error, source.problem);
}

QTEST_GUILESS_MAIN(TestPayrollQuery)
#include "tst_payrollquery.moc"
