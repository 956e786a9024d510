#include <QProcess>
#include <QTest>

// --help, --version and wrong options of both programs, as a user or a script meets them.
class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void helpVersionUsage_data();
    void helpVersionUsage();
};

void TestCommandLine::helpVersionUsage_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // the start of standard output
    QTest::addColumn<QString>("err"); // a part of standard error
    const QString gui = KWP_IMPORT_PATH;
    const QString ctl = KWPCTL_PATH;
    QTest::newRow("kwp-import --version")
        << gui << QStringList{"--version"} << 0 << "kwp-import 1.0.0\n"
        << "";
    QTest::newRow("kwp-import --help") << gui << QStringList{"--help"} << 0 << "Aufruf: kwp-import"
                                       << "";
    QTest::newRow("kwp-import unknown option") << gui << QStringList{"--bunt"} << 2 << ""
                                               << "Unbekannte oder unvollständige Option";
    QTest::newRow("kwpctl --version") << ctl << QStringList{"--version"} << 0 << "kwpctl 1.0.0\n"
                                      << "";
    QTest::newRow("kwpctl --help") << ctl << QStringList{"--help"} << 0 << "Aufruf: kwpctl BEFEHL"
                                   << "";
    QTest::newRow("kwpctl command --help")
        << ctl << QStringList{"export", "--help"} << 0 << "Aufruf: kwpctl export"
        << "";
    QTest::newRow("kwpctl unknown command") << ctl << QStringList{"exprot"} << 2 << ""
                                            << "Unbekannter Befehl";
    QTest::newRow("kwpctl unknown option")
        << ctl << QStringList{"logon", "--password", "x"} << 2 << ""
        << "Unbekannte Option";
}

void TestCommandLine::helpVersionUsage() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess process;
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString standardOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString standardErr = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(out.isEmpty() || standardOut.startsWith(out), qPrintable(standardOut));
    QVERIFY2(standardErr.contains(err), qPrintable(standardErr));
    if (exitCode == 2)
        QVERIFY(standardErr.contains("Aufruf:"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
