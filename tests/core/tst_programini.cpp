#include "core/Conversions.h"
#include "core/ProgramIni.h"
#include "core/Session.h"
#include "tests/support/RecordedMessages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The INI file as the program and kwpctl read it at start: a missing file means the defaults,
// a broken one is an error that names the file, a sound one reaches the session.
class ProgramIniTest : public QObject {
    Q_OBJECT
private slots:
    void missingFileMeansDefaults();
    void unreadableFile();
    void settingsReachSession();

private:
    QTemporaryDir dir_;
};

void ProgramIniTest::missingFileMeansDefaults() {
    const ProgramIni ini = loadProgramIni(dir_.filePath(QStringLiteral("none.ini")));
    QVERIFY(ini.ok());
    QCOMPARE(ini.gateway.charset, GatewaySettings().charset);
    QCOMPARE(ini.gateway.maxLineLength, 8192);
    QVERIFY(ini.journalDirectory.isEmpty());
    QVERIFY(ini.locale.isEmpty());
}

void ProgramIniTest::unreadableFile() {
    // A folder where the file should be: it exists and cannot be read.
    const QString path = dir_.filePath(QStringLiteral("folder.ini"));
    QVERIFY(QDir().mkpath(path));
    const ProgramIni ini = loadProgramIni(path);
    QVERIFY(!ini.ok());
    QVERIFY2(ini.error.contains(path) && ini.error.contains(QStringLiteral("nicht gelesen")),
             qPrintable(ini.error));
}

void ProgramIniTest::settingsReachSession() {
    const QString path = dir_.filePath(QStringLiteral("kwp-import.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[ErpServer]\nCharset=iso-8859-1\nMaxLineLength=4096\nRecordsInFlight=0\n"
               "[Export]\nJournalDirectory=/srv/journal\n[Regional]\nLocale=de_AT\n");
    file.close();
    const ProgramIni ini = loadProgramIni(path);
    QVERIFY2(ini.ok(), qPrintable(ini.error));
    RecordedMessages messages;
    Session session(messages);
    ini.applyTo(session);
    QCOMPARE(session.gateway.settings.charset, QStringLiteral("iso-8859-1"));
    QCOMPARE(session.gateway.settings.maxLineLength, 4096);
    QCOMPARE(session.gateway.settings.recordsInFlight, 0);
    QCOMPARE(session.journalDirectory, QStringLiteral("/srv/journal"));
    // The test runs under de_DE: the pinned locale wins.
    QCOMPARE(regionalLocale().name(), QStringLiteral("de_AT"));
    QLocale::setDefault(QLocale::system());
}

QTEST_GUILESS_MAIN(ProgramIniTest)
#include "tst_programini.moc"
