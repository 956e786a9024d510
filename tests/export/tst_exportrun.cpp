#include "core/PayrollDatabase.h"
#include "core/QueryFile.h"
#include "export/ExportRun.h"
#include "export/ExportWindowView.h"
#include "export/ProgressMeter.h"
#include "export/RecordCheck.h"
#include "export/ServerCallLine.h"
#include "export/kwpexport.h"
#include "gateway/MsmClient.h"
#include "tests/export/ConnectedServer.h"
#include "tests/export/PayrollFile.h"
#include "tests/export/ProgressControls.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TestExportRun.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

// The export run through the real progress window, the real command channel and the GT.M
// demo ERP server, whose WINKWP stand-in keeps every record it takes byte for byte. The run's
// rules without a MUMPS engine: tst_exportstops.
class ExportRunTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void storedRecordsEqualRows();
    void lineLengthLimit_data();
    void lineLengthLimit();
    void killedServerMidRun();
    void answerLostMidRun_data();
    void answerLostMidRun();

private:
    PayrollFile &payroll();
    // Runs the export on the shared server, or on one of a test's own.
    ExportRun::Outcome runExport(ConnectedServer *on = nullptr);
    QList<QByteArray> storedLines(int batch, int count);
    static QByteArray bytes(const QString &text) { return text.toLatin1(); }

    std::unique_ptr<ConnectedServer> connected_;
    ErpServerFixture *server_ = nullptr;
    std::unique_ptr<QTemporaryDir> data_;
    std::unique_ptr<PayrollFile> payroll_;
    RecordedMessages *messages_ = nullptr;
    std::unique_ptr<QWidget> mainWindow_;
    std::unique_ptr<ExportWindowView> view_;
    std::unique_ptr<RecordCheck> check_;
    TestExportRun exporter_;
};

void ExportRunTest::initTestCase() {
    connected_ = std::make_unique<ConnectedServer>();
    QVERIFY2(connected_->ok(), qPrintable(connected_->error()));
    server_ = &connected_->fixture();
    mainWindow_ = std::make_unique<QWidget>();
    mainWindow_->show();
    view_ = std::make_unique<ExportWindowView>(mainWindow_.get());
    messages_ = &connected_->messages;
    check_ = std::make_unique<RecordCheck>(
        RecordCheck::forServer(connected_->session.gateway.settings.charset));
}

void ExportRunTest::init() {
    // A test that broke the session's connection leaves it to be opened anew.
    Session &session = connected_->session;
    if (session.gateway.settings.answerTimeoutMs != GatewaySettings().answerTimeoutMs ||
        !session.gateway.logon.Connected) {
        session.gateway.settings.answerTimeoutMs = GatewaySettings().answerTimeoutMs;
        QVERIFY(session.gateway.LogOn(ErpServerFixture::demoUser(QStringLiteral("test"))).outcome ==
                LogonResult::Outcome::LoggedOn);
    }
    server_->killGlobal("^KWPTEST");
    data_ = std::make_unique<QTemporaryDir>();
    payroll_ = std::make_unique<PayrollFile>(data_->filePath(QStringLiteral("payroll.db")));
    messages_->messages.clear();
    exporter_ = TestExportRun();
}

void ExportRunTest::cleanup() {
    connected_->session.adocon.close();
    payroll_.reset();
    data_.reset();
}

void ExportRunTest::cleanupTestCase() {
    view_.reset();
    connected_.reset();
}

PayrollFile &ExportRunTest::payroll() {
    return *payroll_;
}

ExportRun::Outcome ExportRunTest::runExport(ConnectedServer *on) {
    if (!payroll_->error().isEmpty())
        qWarning("payroll file: %s", qPrintable(payroll_->error()));
    ConnectedServer &connected = on ? *on : *connected_;
    Session &session = connected.session;
    const OpenResult opened = session.adocon.open({PayrollSource::Kind::Sqlite, payroll_->path()});
    if (!opened.ok)
        qWarning("adocon: %s", qPrintable(opened.error));
    exporter_.execute = [&session](const QString &line) {
        return session.gateway.ServerExecuteChecked(line);
    };
    const ExportRun::Outcome outcome =
        exporter_.run(*check_, *view_, connected.messages, session.adocon.database(),
                      session.sqltext, payroll_->expectedRecords().size());
    session.adocon.close();
    return outcome;
}

QList<QByteArray> ExportRunTest::storedLines(int batch, int count) {
    QList<QByteArray> lines;
    for (int n = 1; n <= count; ++n)
        lines.append(server_->storedLine(batch, n));
    return lines;
}

void ExportRunTest::storedRecordsEqualRows() {
    payroll().addLine(3, 11, {{"Staatsb", "'Ö'"}, {"FamSt", "'geschied.'"}, {"AbmGrd", "'Künd'"}},
                      {{7, "Ö"}, {9, "geschied."}, {4, "Künd"}});
    payroll().addLine(3, 12, {{"Austritt", "'2024-03-31'"}, {"Satz", "12.5"}, {"Anzahl", "-3.25"}},
                      {{11, "31.03.2024"}, {16, "12,5"}, {15, "-3,25"}});
    payroll().addLine(999, 4, {{"DVerh", "'O''Brien \"Lehrl.\"'"}, {"Betrag", "1000000"}},
                      {{5, "O'Brien \"Lehrl.\""}, {17, "1000000"}});
    payroll().addLine(999, 5, {{"FamSt", "'zwei' || char(13,10) || 'Zeilen'"}},
                      {{9, "zwei\r\nZeilen"}});
    payroll().addLine(42, 1); // not a marked client: the query leaves it out
    QStringList expected = payroll().expectedRecords().mid(0, 4);

    const int before = server_->lastBatch();
    QCOMPARE(runExport(), ExportRun::Outcome::Completed);
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    const int batch = server_->lastBatch();
    QCOMPARE(batch, before + 1);
    QCOMPARE(server_->global("^KWPIMP(" + QByteArray::number(batch) + ")"),
             QByteArray("3, 999, 1000```202403"));
    QList<QByteArray> want;
    for (const QString &record : expected)
        want.append(bytes(record));
    QCOMPARE(storedLines(batch, 4), want);
    QCOMPARE(server_->storedLine(batch, 5), QByteArray());

    kwpexport *window = view_->window();
    QVERIFY(window->isVisible());
    QVERIFY(okButton(window)->isVisible());
    QVERIFY(exporter_.buttonVisible);
    QCOMPARE(fort1(window)->position(), 4);
    QCOMPARE(fort1(window)->lower(), 1);
    QCOMPARE(fort1(window)->upper(), 5); // the preview's count, as given
}

void ExportRunTest::killedServerMidRun() {
    // A server of its own: this one is killed.
    ConnectedServer own;
    QVERIFY2(own.ok(), qPrintable(own.error()));
    payroll().addLines(6);
    exporter_.onLoop = [&own](int turn) {
        if (turn == 4)
            own.fixture().kill();
        return true;
    };
    QCOMPARE(runExport(&own), ExportRun::Outcome::Stopped);
    QCOMPARE(own.messages.messages.size(), 2);
    QCOMPARE(own.messages.messages[0].title, QStringLiteral("Ungültige Anfrage"));
    const QString text = own.messages.messages[1].text;
    QVERIFY2(text.contains(QStringLiteral("Zeile 4")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Eröffnungssatz und 3 Zeilen übernommen")),
             qPrintable(text));
    QVERIFY(!view_->window()->isVisible());
    QVERIFY(!exporter_.buttonVisible);
}

void ExportRunTest::answerLostMidRun_data() {
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("stored"); // line records the server stored in the end
    QTest::newRow("answer lost, server stored it later") << "hang" << 4;
    QTest::newRow("serving process killed") << "kill" << 3;
}

void ExportRunTest::answerLostMidRun() {
    QFETCH(QString, event);
    QFETCH(int, stored);
    // Breaks the session's connection; init() opens it anew for the next test.
    Session &session = connected_->session;
    if (event == QLatin1String("hang")) {
        QVERIFY(server_->setGlobal("^KWPTEST(\"hang\",4)", "2"));
        session.gateway.settings.answerTimeoutMs = 700;
        QVERIFY(session.gateway.LogOn(ErpServerFixture::demoUser(QStringLiteral("test"))).outcome ==
                LogonResult::Outcome::LoggedOn);
    }
    const qint64 servingProcess =
        session.gateway.ServerExecuteChecked(QStringLiteral("S P0=$J")).answer.toLongLong();
    QVERIFY(servingProcess > 0);
    payroll().addLines(6);
    exporter_.onLoop = [&](int turn) {
        if (turn == 4 && event == QLatin1String("kill"))
            ::kill(pid_t(servingProcess), SIGKILL);
        return true;
    };
    QCOMPARE(runExport(), ExportRun::Outcome::Stopped);
    // The line went out whole: the run says it may have been taken, never that it did not
    // reach the server.
    QCOMPARE(exporter_.end.linesTaken, 3);
    QVERIFY(exporter_.end.uncertain);
    QCOMPARE(exporter_.end.stoppedAt, 4);
    const QString told = exporter_.end.message;
    QVERIFY2(told.contains(QStringLiteral("keine Antwort")) &&
                 told.contains(QStringLiteral("nicht bekannt")) &&
                 !told.contains(QStringLiteral("nicht erreicht")),
             qPrintable(told));
    QTRY_COMPARE_WITH_TIMEOUT(connected_->storedInLastBatch(), stored, 10000);
}

void ExportRunTest::lineLengthLimit_data() {
    QTest::addColumn<int>("over"); // bytes over the GT.M limit
    QTest::newRow("exactly the limit") << 0;
    QTest::newRow("one byte over") << 1;
}

void ExportRunTest::lineLengthLimit() {
    QFETCH(int, over);
    // The line of this row with an empty value, measured on a scratch file.
    PayrollFile scratch(data_->filePath(QStringLiteral("scratch.db")));
    scratch.addLine(3, 77, {{"DVerh", "''"}}, {{5, ""}});
    const int limit = usableLineLength(GatewaySettings());
    const QString value(limit - ServerCallLine::forRecord(scratch.expectedRecords()[0]).size() +
                            over,
                        QLatin1Char('x'));
    payroll().addLines(2);
    payroll().addLine(3, 77, {{"DVerh", "'" + value + "'"}}, {{5, value}});
    QCOMPARE(ServerCallLine::forRecord(payroll().expectedRecords()[2]).size(), limit + over);
    const int before = server_->lastBatch();
    if (over == 0) {
        // The real server runs a line of the limit's length, also through the MSM persona,
        // which makes the line longer on the server.
        QCOMPARE(runExport(), ExportRun::Outcome::Completed);
        QCOMPARE(server_->storedLine(server_->lastBatch(), 3),
                 bytes(payroll().expectedRecords()[2]));
        MsmClient msm(QStringLiteral("127.0.0.1"), QString::number(server_->port()),
                      QStringLiteral("KORVEX"));
        QVERIFY(msm.Login());
        QVERIFY(msm.logOn(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("demo")).ok);
        QString written;
        QVERIFY2(msm.Xecute(ServerCallLine::forRecord(payroll().expectedRecords()[2]), written),
                 qPrintable(msm.errorText() + msm.errorDetails()));
        return;
    }
    QCOMPARE(runExport(), ExportRun::Outcome::NotStarted);
    QCOMPARE(server_->lastBatch(), before);
    const QString text = messages_->messages.value(0).text;
    QVERIFY2(text.contains(QStringLiteral("DN-Nr. 77")) &&
                 text.contains(QStringLiteral("„D-Verh.“")) &&
                 text.contains(QString::number(limit)) &&
                 text.contains(QStringLiteral("nichts an den ERP-Server gesendet")),
             qPrintable(text));
}

QTEST_MAIN(ExportRunTest)
#include "tst_exportrun.moc"
