#include "tests/export/ConnectedServer.h"
#include "tests/wagetypes/WageTypeFixture.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Nodes = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Nodes)

// kwpctl wagetypes as a script runs it: exit codes, standard output only on success, German
// messages on standard error, and the subtree read back after every run.
class KwpctlWageTypesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void runs_data();
    void runs();

private:
    std::unique_ptr<ConnectedServer> server_;
    std::unique_ptr<LohnartFile> lohnart_;
    QTemporaryDir dir_;
};

void KwpctlWageTypesTest::initTestCase() {
    server_ = std::make_unique<ConnectedServer>();
    QVERIFY2(server_->ok(), qPrintable(server_->error()));
    lohnart_ = std::make_unique<LohnartFile>(LohnartFile::Rows{{"100", "Gehalt"}, {"101", "Lohn"}});
    QVERIFY(QFile::copy(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"),
                        dir_.filePath(QStringLiteral("kwp1.sql"))));
}

void KwpctlWageTypesTest::runs_data() {
    QTest::addColumn<QStringList>("options"); // DB and FILE stand for the files of the test
    QTest::addColumn<QByteArray>("file");     // the backup handed to --restore
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of standard error
    QTest::addColumn<QByteArray>("stored");
    const QStringList profile{"--profile", "test"};
    const QStringList restore = QStringList{"--restore", "FILE", "--db", "DB"} + profile;
    const QByteArray head = "KWP-Import Lohnarten-Zuordnung, Format 1\n";
    const auto last = [](int count) {
        return QStringLiteral("Ende der Sicherung, Einträge: %1\n").arg(count).toUtf8();
    };
    const QByteArray seeded = "^PERSP(1,20,100)=5`12|^PERSP(1,20,\"a;b\")=x\"|";
    QTest::newRow("dump") << QStringList{"--dump"} + profile << QByteArray() << 0
                          << QString::fromUtf8(head + "100;5`12\na\\;b;x\"\n" + last(2)) << ""
                          << seeded;
    QTest::newRow("restore") << restore << head + "101;`3\n\n100;7`\n" + last(2) << 0 << ""
                             << "" << QByteArray("^PERSP(1,20,100)=7`|^PERSP(1,20,101)=`3|");
    QTest::newRow("restore, deliberately empty") << restore << head + last(0) << 0 << ""
                                                 << "" << QByteArray();
    // What a --dump that failed leaves behind, and files cut short.
    QTest::newRow("restore, empty file") << restore << QByteArray() << 2 << ""
                                         << "leer" << seeded;
    QTest::newRow("restore, only a line end") << restore << QByteArray("\n") << 2 << ""
                                              << "leer" << seeded;
    QTest::newRow("restore, without its last line") << restore << head + "100;7`\n"
                                                    << 2 << ""
                                                    << "unvollständig" << seeded;
    QTest::newRow("restore, unknown wage type")
        << restore << head + "100;1`\n555;2`\n" + last(2) << 2 << ""
        << "Lohndatenbank nicht gibt: 555. Es wurde nichts geschrieben." << seeded;
    QTest::newRow("restore, broken backup") << restore << head + "100\n" + last(1) << 2 << ""
                                            << "Zeile 2" << seeded;
    // The second value cannot travel: not even the first is written.
    QTest::newRow("restore, character outside the server's set")
        << restore << head + "100;7`\n101;\xCE\xA9`\n" + last(2) << 2 << ""
        << "U+03A9" << seeded;
    QTest::newRow("restore, value longer than a line")
        << restore << head + "100;7`\n101;" + QByteArray(9000, '1') + "\n" + last(2) << 2 << ""
        << "höchstens" << seeded;
    QTest::newRow("list") << QStringList{"--db", "DB"} + profile << QByteArray() << 0
                          << "100;Gehalt;Betrag 50%;Stunden 50%;5`12\n101;Lohn;;;`\n"
                          << "" << seeded;
    QTest::newRow("unknown profile")
        << QStringList{"--dump", "--profile", "nix"} << QByteArray() << 2 << ""
        << "nix" << seeded;
    QTest::newRow("wrong password")
        << QStringList{"--dump", "--profile", "test", "--branch", "7"} << QByteArray() << 2 << ""
        << "abgelehnt" << seeded;
    QTest::newRow("two forms") << QStringList{"--dump", "--restore", "FILE"} + profile
                               << QByteArray() << 2 << ""
                               << "Aufruf" << seeded;
}

void KwpctlWageTypesTest::runs() {
    QFETCH(QStringList, options);
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, stored);
    QVERIFY(seedAssignment(server_->fixture(), {{"100", "5`12"}, {"\"a;b\"", "x\""}}));
    QFile backup(dir_.filePath(QStringLiteral("backup.txt")));
    QVERIFY(backup.open(QIODevice::WriteOnly | QIODevice::Truncate));
    backup.write(file);
    backup.close();
    options.replaceInStrings(QRegularExpression(QStringLiteral("^DB$")), lohnart_->path());
    options.replaceInStrings(QRegularExpression(QStringLiteral("^FILE$")), backup.fileName());

    QProcess kwpctl;
    kwpctl.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KWP_PROFILE_DIR"), server_->profileDir());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("KWP_PASSWORD"), QStringLiteral("demo"));
    kwpctl.setProcessEnvironment(env);
    kwpctl.start(QStringLiteral(KWPCTL_PATH), QStringList{QStringLiteral("wagetypes")} + options);
    QVERIFY(kwpctl.waitForFinished(60000));
    const QString stdErr = QString::fromUtf8(kwpctl.readAllStandardError());
    QCOMPARE(QString::fromUtf8(kwpctl.readAllStandardOutput()), out);
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    QCOMPARE(kwpctl.exitCode(), exitCode);
    QCOMPARE(storedAssignment(server_->fixture()), stored);
}

QTEST_GUILESS_MAIN(KwpctlWageTypesTest)
#include "tst_kwpctlwagetypes.moc"
