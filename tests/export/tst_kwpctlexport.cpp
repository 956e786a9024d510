#include "tests/export/ConnectedServer.h"
#include "tests/export/PayrollFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// kwpctl export as a script runs it: exit codes, the count on standard output, the server's
// message and the progress on standard error.
class KwpctlExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();

private:
    std::unique_ptr<ConnectedServer> server_;
    QTemporaryDir dir_;
    std::unique_ptr<PayrollFile> payroll_;
};

void KwpctlExportTest::initTestCase() {
    server_ = std::make_unique<ConnectedServer>();
    QVERIFY2(server_->ok(), qPrintable(server_->error()));
    QVERIFY(QFile::copy(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"),
                        dir_.filePath(QStringLiteral("kwp1.sql"))));
    payroll_ = std::make_unique<PayrollFile>(dir_.filePath(QStringLiteral("payroll.db")));
    payroll_->addLines(3);
    payroll_->addLine(999, 1);
    QVERIFY(payroll_->error().isEmpty());
}

void KwpctlExportTest::exitCodes_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("refuse"); // line the server refuses, -1: none
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of standard error
    QTest::addColumn<int>("stored");
    const QStringList base{QStringLiteral("--profile"), QStringLiteral("test"),
                           QStringLiteral("--period"), QStringLiteral("202403")};
    QTest::newRow("completed, clients of the database") << base << -1 << 0 << "5\n"
                                                        << "Zeile 4 von 4" << 4;
    QTest::newRow("completed, one client")
        << base + QStringList{"--clients", "999"} << -1 << 0 << "2\n"
        << "Eröffnungssatz und 1 Zeile übernommen." << 1;
    QTest::newRow("refused") << base << 2 << 1 << ""
                             << "Nein, danke." << 1;
    QTest::newRow("client list that is no list")
        << base + QStringList{"--clients", "3) or (1=1"} << -1 << 2 << ""
        << "--clients" << -1;
    QTest::newRow("bad period") << QStringList{"--profile", "test", "--period", "2024-3"} << -1 << 2
                                << ""
                                << "Periode" << -1;
    QTest::newRow("unknown profile")
        << QStringList{"--profile", "nix", "--period", "202403"} << -1 << 2 << ""
        << "nix" << -1;
}

void KwpctlExportTest::exitCodes() {
    QFETCH(QStringList, options);
    QFETCH(int, refuse);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(int, stored);
    ErpServerFixture &fixture = server_->fixture();
    fixture.killGlobal("^KWPTEST");
    if (refuse >= 0)
        QVERIFY(fixture.setGlobal("^KWPTEST(\"refuse\"," + QByteArray::number(refuse) + ")",
                                  "Nein, danke."));
    const int before = fixture.lastBatch();

    QProcess kwpctl;
    kwpctl.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KWP_PROFILE_DIR"), server_->profileDir());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("KWP_PASSWORD"), QStringLiteral("demo"));
    kwpctl.setProcessEnvironment(env);
    kwpctl.start(QStringLiteral(KWPCTL_PATH),
                 QStringList{QStringLiteral("export"), QStringLiteral("--db"), payroll_->path()} +
                     options);
    QVERIFY(kwpctl.waitForFinished(60000));
    const QString stdErr = QString::fromUtf8(kwpctl.readAllStandardError());
    QCOMPARE(QString::fromUtf8(kwpctl.readAllStandardOutput()), out);
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    QCOMPARE(kwpctl.exitCode(), exitCode);
    if (stored < 0)
        QCOMPARE(fixture.lastBatch(), before);
    else
        QCOMPARE(server_->storedInLastBatch(), stored);
}

QTEST_MAIN(KwpctlExportTest)
#include "tst_kwpctlexport.moc"
