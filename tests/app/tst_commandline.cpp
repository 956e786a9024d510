#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
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
    // Options are checked before anything is opened or sent: the period's message, not the
    // missing database's or the unknown profile's.
    const QStringList exportRun{"export", "--db", "none.db", "--profile", "nix"};
    QTest::newRow("kwpctl bad period")
        << ctl << exportRun + QStringList{"--period", "2024-3"} << 2 << ""
        << "Die Periode \u201E2024-3\u201C ist ungültig";
    QTest::newRow("kwpctl no client")
        << ctl << exportRun + QStringList{"--period", "202403", "--clients", ""} << 2 << ""
        << "nennt keinen Mandanten";
    QTest::newRow("kwpctl no client between commas")
        << ctl << QStringList{"preview", "--db", "none.db", "--clients", ","} << 2 << ""
        << "nennt keinen Mandanten";
    QTest::newRow("kwpctl option twice")
        << ctl << QStringList{"logon", "--profile", "a", "--profile", "b"} << 2 << ""
        << "\u201E--profile\u201C ist mehrfach angegeben";
    QTest::newRow("kwpctl profile port no number")
        << ctl << QStringList{"profile", "p", "--write", "--host", "h", "--port", "abc"} << 2 << ""
        << "Der Port \u201Eabc\u201C";
    QTest::newRow("kwpctl profile port too large")
        << ctl << QStringList{"profile", "p", "--write", "--host", "h", "--port", "70000"} << 2
        << ""
        << "Der Port \u201E70000\u201C";
    QTest::newRow("kwpctl profile host with a line end")
        << ctl << QStringList{"profile", "p", "--write", "--host", "h\nTLS=0", "--port", "1972"}
        << 2 << ""
        << "kein Rechnername";
    QTest::newRow("kwpctl profile outside its folder")
        << ctl << QStringList{"profile", "../../evil", "--write", "--host", "h", "--port", "1972"}
        << 2 << ""
        << "Profilname \u201E../../evil\u201C";
}

void TestCommandLine::helpVersionUsage() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // Profiles go to a folder of their own, which a refused command leaves empty.
    QTemporaryDir home;
    const QString profiles = home.filePath(QStringLiteral("a/b/profiles"));
    QVERIFY(QDir().mkpath(profiles));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KWP_PROFILE_DIR"), profiles);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("KWP_PASSWORD"), QStringLiteral("demo"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString standardOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString standardErr = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(out.isEmpty() || standardOut.startsWith(out), qPrintable(standardOut));
    QVERIFY2(standardErr.contains(err), qPrintable(standardErr));
    if (exitCode == 2) {
        QVERIFY(standardErr.contains("Aufruf:"));
        QDirIterator written(home.path(), {QStringLiteral("*.mco")}, QDir::Files,
                             QDirIterator::Subdirectories);
        QVERIFY2(!written.hasNext(), qPrintable(written.next()));
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
