#include "tests/export/ConnectedServer.h"
#include "tests/export/PayrollFile.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// kwpctl export as a script runs it: exit codes, the count on standard output, the server's
// message, the progress and the journal's path on standard error; kwpctl journal lists the
// runs; a broken INI file stops kwpctl.
class KwpctlExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void journalListsRuns();
    void brokenIni_data();
    void brokenIni();

private:
    // Runs kwpctl in the test's folder with an INI file of the given text.
    QProcess::ExitStatus kwpctl(const QStringList &arguments, const QByteArray &ini, QString *out,
                                QString *err, int *exitCode);

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
    QTest::addColumn<QByteArray>("ini"); // beside the journal folder
    const QStringList base{QStringLiteral("--profile"), QStringLiteral("test"),
                           QStringLiteral("--period"), QStringLiteral("202403")};
    QTest::newRow("completed, clients of the database") << base << -1 << 0 << "5\n"
                                                        << "Zeile 4 von 4" << 4 << QByteArray();
    QTest::newRow("completed, one client")
        << base + QStringList{"--clients", "999"} << -1 << 0 << "2\n"
        << "Eröffnungssatz und 1 Zeile übernommen." << 1 << QByteArray();
    QTest::newRow("refused") << base << 2 << 1 << "2\n"
                             << "Nein, danke." << 1 << QByteArray();
    // The server stores line 2 after kwpctl stopped waiting for it (one record at a time; in
    // flight the service's progress record makes it certain).
    QTest::newRow("answer lost") << base << -2 << 2 << "2\n+1 ungewiss\n"
                                 << "nicht bekannt" << 2
                                 << QByteArray(
                                        "[ErpServer]\nAnswerTimeout=0.7\nRecordsInFlight=0\n");
    QTest::newRow("client list that is no list")
        << base + QStringList{"--clients", "3) or (1=1"} << -1 << 2 << ""
        << "--clients" << -1 << QByteArray();
    QTest::newRow("bad period") << QStringList{"--profile", "test", "--period", "2024-3"} << -1 << 2
                                << ""
                                << "Periode" << -1 << QByteArray();
    QTest::newRow("unknown profile")
        << QStringList{"--profile", "nix", "--period", "202403"} << -1 << 2 << ""
        << "nix" << -1 << QByteArray();
    QTest::newRow("regional settings pinned to ones the server cannot read")
        << base << -1 << 2 << ""
        << "Locale=de_DE" << -1 << QByteArray("[Regional]\nLocale=en_US\n");
}

void KwpctlExportTest::exitCodes() {
    QFETCH(QStringList, options);
    QFETCH(int, refuse);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(int, stored);
    QFETCH(QByteArray, ini);
    ErpServerFixture &fixture = server_->fixture();
    fixture.killGlobal("^KWPTEST");
    if (refuse >= 0)
        QVERIFY(fixture.setGlobal("^KWPTEST(\"refuse\"," + QByteArray::number(refuse) + ")",
                                  "Nein, danke."));
    if (refuse == -2)
        QVERIFY(fixture.setGlobal("^KWPTEST(\"hang\",2)", "2"));
    const int before = fixture.lastBatch();

    QString stdOut, stdErr;
    int code = -1;
    QCOMPARE(
        kwpctl(QStringList{QStringLiteral("export"), QStringLiteral("--db"), payroll_->path()} +
                   options,
               ini, &stdOut, &stdErr, &code),
        QProcess::NormalExit);
    QCOMPARE(stdOut, out);
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    QCOMPARE(code, exitCode);
    if (stored < 0) {
        QCOMPARE(fixture.lastBatch(), before);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(server_->storedInLastBatch(), stored, 10000);
    QVERIFY2(stdErr.contains(QStringLiteral("Exportjournal: ") + dir_.filePath("journal")),
             qPrintable(stdErr));
}

QProcess::ExitStatus KwpctlExportTest::kwpctl(const QStringList &arguments, const QByteArray &ini,
                                              QString *out, QString *err, int *exitCode) {
    QFile file(dir_.filePath(QStringLiteral("kwp-import.ini")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QProcess::CrashExit;
    file.write("[Export]\nJournalDirectory=" + dir_.filePath("journal").toUtf8() + "\n" + ini);
    file.close();
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KWP_PROFILE_DIR"), server_->profileDir());
    env.insert(QStringLiteral("KWP_INI"), file.fileName());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("KWP_PASSWORD"), QStringLiteral("demo"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KWPCTL_PATH), arguments);
    if (!process.waitForFinished(60000))
        return QProcess::CrashExit;
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *err = QString::fromUtf8(process.readAllStandardError());
    *exitCode = process.exitCode();
    return process.exitStatus();
}

void KwpctlExportTest::journalListsRuns() {
    // One more run, so that the last one is known whatever ran before.
    server_->fixture().killGlobal("^KWPTEST");
    QString out, err;
    int code = -1;
    QCOMPARE(kwpctl({"export", "--db", payroll_->path(), "--profile", "test", "--period", "202403",
                     "--clients", "999"},
                    {}, &out, &err, &code),
             QProcess::NormalExit);
    QCOMPARE(code, 0);
    QCOMPARE(kwpctl({"journal", "--last", "1"}, {}, &out, &err, &code), QProcess::NormalExit);
    QCOMPARE(code, 0);
    const QStringList fields = out.trimmed().split(QLatin1Char('\t'));
    QCOMPARE(out.count(QLatin1Char('\n')), 1);
    QCOMPARE(fields.size(), 5);
    QVERIFY(QDateTime::fromString(fields[0], QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    QCOMPARE(fields.mid(2), QStringList({"202403", "abgeschlossen", "2"}));
    QCOMPARE(kwpctl({"journal", "--last", "3"}, {}, &out, &err, &code), QProcess::NormalExit);
    QCOMPARE(out.count(QLatin1Char('\n')), 3);
}

void KwpctlExportTest::brokenIni_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("problem");
    QTest::newRow("unterminated section")
        << QByteArray("[ErpServer\nCharset=iso-8859-1\n") << "keine gültige INI-Datei";
    QTest::newRow("time-out that is no time")
        << QByteArray("[ErpServer]\nAnswerTimeout=lang\n") << "AnswerTimeout";
    QTest::newRow("unknown character set") << QByteArray("[ErpServer]\nCharset=utf-8\n") << "utf-8";
    QTest::newRow("unknown locale") << QByteArray("[Regional]\nLocale=xx_QQ\n") << "xx_QQ";
    QTest::newRow("line length") << QByteArray("[ErpServer]\nMaxLineLength=12\n")
                                 << "MaxLineLength";
    QTest::newRow("line without equals sign")
        << QByteArray("[ErpServer]\n; comment\nCharset=iso-8859-1\nAnswerTimeout\n")
        << "Zeile 6"; // after the two lines of the journal folder
    QTest::newRow("records in flight")
        << QByteArray("[ErpServer]\nRecordsInFlight=-1\n") << "RecordsInFlight";
}

void KwpctlExportTest::brokenIni() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, problem);
    QString out, err;
    int code = -1;
    QCOMPARE(kwpctl({"journal"}, ini, &out, &err, &code), QProcess::NormalExit);
    QCOMPARE(code, 2);
    QVERIFY(out.isEmpty());
    QVERIFY2(err.contains(dir_.filePath(QStringLiteral("kwp-import.ini"))), qPrintable(err));
    QVERIFY2(err.contains(problem), qPrintable(err));
}

QTEST_MAIN(KwpctlExportTest)
#include "tst_kwpctlexport.moc"
