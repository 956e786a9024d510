#include "gateway/GatewaySettings.h"
#include "gateway/GetPiece.h"
#include "gateway/LogonRecord.h"
#include "gateway/ServerProfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// GetPiece and the reading of server profiles; no server needed.
class TestServerProfile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void getPiece_data();
    void getPiece();
    void readProfile_data();
    void readProfile();
    void missingProfileFails();
    void msmConnectionStringStays();
    void windirWins();
    void profileKeys_data();
    void profileKeys();
    void writtenProfileReadsBack();
    void iniSettings_data();
    void iniSettings();

private:
    void writeProfile(const QString &name, const QByteArray &content);
    QTemporaryDir m_dir;
    GatewaySettings m_settings;
    LogonRecord m_record;
};

void TestServerProfile::initTestCase() {
    QVERIFY(m_dir.isValid());
    qunsetenv("windir");
    qunsetenv("KWP_PROFILE_DIR");
    m_settings.profileDirectory = m_dir.path();
}

void TestServerProfile::writeProfile(const QString &name, const QByteArray &content) {
    QFile file(profilePath(m_settings, name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void TestServerProfile::getPiece_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first of four") << "a`b``d"
                                   << "`" << 1 << "X"
                                   << "a";
    QTest::newRow("empty third gives default") << "a`b``d"
                                               << "`" << 3 << "X"
                                               << "X";
    QTest::newRow("fourth runs to end") << "a`b``d"
                                        << "`" << 4 << "X"
                                        << "d";
    QTest::newRow("beyond last gives default") << "a`b``d"
                                               << "`" << 5 << "X"
                                               << "X";
    QTest::newRow("no delimiter: whole text") << "KORVEX"
                                              << "`" << 1 << ""
                                              << "KORVEX";
    QTest::newRow("no delimiter: second empty") << "KORVEX"
                                                << "`" << 2 << "d"
                                                << "d";
    QTest::newRow("zero gives default") << "a`b"
                                        << "`" << 0 << "d"
                                        << "d";
    QTest::newRow("negative gives default") << "a`b"
                                            << "`" << -3 << ""
                                            << "";
    QTest::newRow("empty text") << ""
                                << "=" << 1 << "d"
                                << "d";
    QTest::newRow("value ends at second equals") << "PORTCACHE=19=72"
                                                 << "=" << 2 << ""
                                                 << "19";
    QTest::newRow("trailing delimiter") << "a`b`"
                                        << "`" << 3 << "d"
                                        << "d";
    QTest::newRow("leading delimiter") << "`b"
                                       << "`" << 1 << "d"
                                       << "d";
    QTest::newRow("space delimiter, double space") << "1  2003 pw"
                                                   << " " << 3 << ""
                                                   << "2003";
    QTest::newRow("umlauts kept") << "Jürgen`Größe"
                                  << "`" << 2 << ""
                                  << "Größe";
}

void TestServerProfile::getPiece() {
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QFETCH(int, n);
    QFETCH(QString, fallback);
    QFETCH(QString, expected);
    QCOMPARE(GetPiece(text, delimiter.at(0), n, fallback), expected);
}

void TestServerProfile::readProfile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("nameSpace");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("missing"); // the key a refused profile lacks

    QTest::newRow("MSM host alone: defaults") << QByteArray("MSMHOST=h\n") << "msm"
                                              << "KORVEX"
                                              << ""
                                              << "";
    QTest::newRow("spaces everywhere")
        << QByteArray("[CACHE]\n  NAME SPACE = KOR VEX \nSERVERCACHE=erp\n") << "cache"
        << "KORVEX"
        << "CN_IPTCP:erp[1972]"
        << "";
    QTest::newRow("marker after keys, CRLF")
        << QByteArray("SERVERCACHE=10.0.0.5\r\nPORTCACHE=1973\r\nNAMESPACE=TEST\r\n[CACHE]\r\n")
        << "cache"
        << "TEST"
        << "CN_IPTCP:10.0.0.5[1973]"
        << "";
    QTest::newRow("lower-case key and marker ignored")
        << QByteArray("[cache]\nnamespace=X\nMSMHOST=h\n") << "msm"
        << "KORVEX"
        << ""
        << "";
    QTest::newRow("later line wins")
        << QByteArray("[CACHE]\nSERVERCACHE=a\nSERVERCACHE=b\n") << "cache"
        << "KORVEX"
        << "CN_IPTCP:b[1972]"
        << "";
    QTest::newRow("second equals sign")
        << QByteArray("[CACHE]\nSERVERCACHE=h\nPORTCACHE=19=72\n") << "cache"
        << "KORVEX"
        << "CN_IPTCP:h[19]"
        << "";
    QTest::newRow("empty port value")
        << QByteArray("[CACHE]\nSERVERCACHE=h\nPORTCACHE=\n") << "cache"
        << "KORVEX"
        << "CN_IPTCP:h[]"
        << "";
    QTest::newRow("UTF-8 byte-order mark before the marker")
        << QByteArray("\xEF\xBB\xBF[CACHE]\r\nSERVERCACHE=h\r\n") << "cache"
        << "KORVEX"
        << "CN_IPTCP:h[1972]"
        << "";
    QTest::newRow("Windows-1252 namespace")
        << QByteArray("MSMHOST=h\nNAMESPACE=\x84K\x96W\x93\n") << "msm"
        << "\u201EK\u2013W\u201C"
        << ""
        << "";
    QTest::newRow("UTF-8 namespace") << QByteArray("MSMHOST=h\nNAMESPACE=K\xC3\x96W\n") << "msm"
                                     << "K\u00D6W"
                                     << ""
                                     << "";
    QTest::newRow("tab stays, so no marker") << QByteArray("[CACHE]\t\nMSMHOST=h\n") << "msm"
                                             << "KORVEX"
                                             << ""
                                             << "";
    // Without the host of its kind a profile names no server: never a guessed one.
    QTest::newRow("empty file") << QByteArray() << ""
                                << ""
                                << ""
                                << "MSMHOST";
    QTest::newRow("garbage") << QByteArray("\x00\x01\xFF\xFEzz\n\x7F") << ""
                             << ""
                             << ""
                             << "MSMHOST";
    QTest::newRow("MSM host empty") << QByteArray("MSMHOST=h\nMSMHOST=\nMSMPORT=1\n") << ""
                                    << ""
                                    << ""
                                    << "MSMHOST";
    QTest::newRow("Caché without host") << QByteArray("[CACHE]\nPORTCACHE=1973\n") << ""
                                        << ""
                                        << ""
                                        << "SERVERCACHE";
}

void TestServerProfile::readProfile() {
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    QFETCH(QString, nameSpace);
    QFETCH(QString, connection);
    QFETCH(QString, missing);

    writeProfile(QStringLiteral("P"), content);
    LogonRecord &record = m_record;
    record.ConnectionString.clear();
    record.NamespaceName = QStringLiteral("stale");
    QString error;
    QCOMPARE(ReadServerProfile(m_record, m_settings, QStringLiteral("P"), &error).has_value(),
             missing.isEmpty());
    if (!missing.isEmpty()) {
        QVERIFY2(error.contains(profilePath(m_settings, QStringLiteral("P"))) &&
                     error.contains(missing),
                 qPrintable(error));
        return;
    }
    QCOMPARE(serverKindText(record.ServerKind), kind);
    QCOMPARE(record.NamespaceName, nameSpace);
    QCOMPARE(record.ConnectionString, connection);
}

void TestServerProfile::missingProfileFails() {
    QVERIFY(!ReadServerProfile(m_record, m_settings, QStringLiteral("NoSuchProfile")));
    QVERIFY(!ReadServerProfile(m_record, m_settings, QString()));
}

void TestServerProfile::msmConnectionStringStays() {
    writeProfile(QStringLiteral("C"), "[CACHE]\nSERVERCACHE=h\n");
    writeProfile(QStringLiteral("M"), "MSMHOST=h\n");
    QVERIFY(ReadServerProfile(m_record, m_settings, QStringLiteral("C")));
    QVERIFY(ReadServerProfile(m_record, m_settings, QStringLiteral("M")));
    QCOMPARE(m_record.ServerKind, ServerProfile::Kind::Msm);
    QCOMPARE(m_record.ConnectionString, QStringLiteral("CN_IPTCP:h[1972]"));
}

void TestServerProfile::windirWins() {
    QTemporaryDir windows;
    QFile file(windows.path() + QStringLiteral("/W.mco"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[CACHE]\nSERVERCACHE=h\nNAMESPACE=WIN\n");
    file.close();
    qputenv("windir", windows.path().toLocal8Bit());
    const bool read = ReadServerProfile(m_record, m_settings, QStringLiteral("W")).has_value();
    qunsetenv("windir");
    QVERIFY(read);
    QCOMPARE(m_record.NamespaceName, QStringLiteral("WIN"));
    QVERIFY(!ReadServerProfile(m_record, m_settings, QStringLiteral("W")));
}

void TestServerProfile::profileKeys_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("nameSpace");

    QTest::newRow("defaults") << QByteArray("MSMHOST=h") << "h"
                              << "1972"
                              << "KORVEX";
    QTest::newRow("all keys") << QByteArray("MSMHOST = erp.local\nMSMPORT=9100\nMSMNAMESPACE=T\n")
                              << "erp.local"
                              << "9100"
                              << "T";
    QTest::newRow("Caché keys do not count")
        << QByteArray("MSMHOST=h\nSERVERCACHE=x\nPORTCACHE=1\nNAMESPACE=Y\n") << "h"
        << "1972"
        << "KORVEX";
    QTest::newRow("Caché kind: its own keys")
        << QByteArray("[CACHE]\nMSMHOST=m\nMSMPORT=2\nSERVERCACHE=c\nPORTCACHE=3\nNAMESPACE=N\n")
        << "c"
        << "3"
        << "N";
    QTest::newRow("no host: refused") << QByteArray("MSMPORT=9100\n") << ""
                                      << ""
                                      << "";
}

void TestServerProfile::profileKeys() {
    QFETCH(QByteArray, content);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, nameSpace);

    writeProfile(QStringLiteral("K"), content);
    QString error;
    const auto profile = ReadServerProfile(m_record, m_settings, QStringLiteral("K"), &error);
    if (host.isEmpty()) {
        QVERIFY(!profile);
        QVERIFY2(error.contains(QStringLiteral("MSMHOST")), qPrintable(error));
        return;
    }
    QVERIFY2(profile, qPrintable(error));
    QCOMPARE(profile->kind,
             content.startsWith("[CACHE]") ? ServerProfile::Kind::Cache : ServerProfile::Kind::Msm);
    QCOMPARE(profile->host, host);
    QCOMPARE(profile->port, port);
    QCOMPARE(profile->nameSpace, nameSpace);
}

void TestServerProfile::writtenProfileReadsBack() {
    const ServerProfile cache{ServerProfile::Kind::Cache, "erp.local", "19860", "TEST"};
    QVERIFY(writeServerProfile(profilePath(m_settings, "wc"), cache, nullptr));
    QVERIFY(ReadServerProfile(m_record, m_settings, "wc"));
    QCOMPARE(m_record.ServerKind, ServerProfile::Kind::Cache);
    QCOMPARE(m_record.ConnectionString, QStringLiteral("CN_IPTCP:erp.local[19860]"));
    QCOMPARE(m_record.NamespaceName, QStringLiteral("TEST"));

    const ServerProfile msm{ServerProfile::Kind::Msm, "erp.local", "9100", "M"};
    QVERIFY(writeServerProfile(profilePath(m_settings, "wm"), msm, nullptr));
    const auto read = ReadServerProfile(m_record, m_settings, "wm");
    QVERIFY(read);
    QCOMPARE(m_record.ServerKind, ServerProfile::Kind::Msm);
    QCOMPARE(read->host + ":" + read->port + "/" + read->nameSpace,
             QStringLiteral("erp.local:9100/M"));
    QString error;
    QVERIFY(!writeServerProfile(m_dir.path() + "/no/such/dir/x.mco", cache, &error));
    QVERIFY(error.contains("nicht geschrieben"));
}

void TestServerProfile::iniSettings_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("connectMs");
    QTest::addColumn<int>("answerMs");
    QTest::addColumn<QString>("charset");
    QTest::addColumn<int>("problems");

    QTest::newRow("no group: defaults")
        << QByteArray("[Payroll]\nSqliteFile=x\n") << 5000 << 30000 << "windows-1252" << 0;
    QTest::newRow("all set") << QByteArray("[ErpServer]\nConnectTimeout=2.5\nAnswerTimeout=60\n"
                                           "Charset=iso-8859-1\n")
                             << 2500 << 60000 << "iso-8859-1" << 0;
    QTest::newRow("German decimal comma")
        << QByteArray("[ErpServer]\nAnswerTimeout=\"0,5\"\n") << 5000 << 500 << "windows-1252" << 0;
    QTest::newRow("unusable time-outs keep defaults")
        << QByteArray("[ErpServer]\nConnectTimeout=0\nAnswerTimeout=lang\n") << 5000 << 30000
        << "windows-1252" << 2;
    QTest::newRow("unknown charset kept and reported")
        << QByteArray("[ErpServer]\nCharset=utf-8\n") << 5000 << 30000 << "utf-8" << 1;
}

void TestServerProfile::iniSettings() {
    QFETCH(QByteArray, ini);
    QFETCH(int, connectMs);
    QFETCH(int, answerMs);
    QFETCH(QString, charset);
    QFETCH(int, problems);

    GatewaySettings settings;
    const QString path = m_dir.path() + QStringLiteral("/kwp-import.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ini);
    file.close();
    const QStringList found = loadGatewaySettings(path, settings);
    QCOMPARE(found.size(), problems);
    QCOMPARE(settings.connectTimeoutMs, connectMs);
    QCOMPARE(settings.answerTimeoutMs, answerMs);
    QCOMPARE(settings.charset, charset);
}

QTEST_GUILESS_MAIN(TestServerProfile)
#include "tst_serverprofile.moc"
