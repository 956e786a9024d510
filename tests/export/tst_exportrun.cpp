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
#include "tests/export/NoProgressView.h"
#include "tests/export/PayrollFile.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The export run through the real progress window, the real command channel and the GT.M
// demo ERP server, whose WINKWP stand-in keeps every record it takes byte for byte.
class ExportRunTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void storedRecordsEqualRows();
    void refusal_data();
    void refusal();
    void emptyResult();
    void noClientMarked();
    void typedPeriodUsedAsTyped();
    void secondRunAfterCompleted();
    void valueThatCannotTravel_data();
    void valueThatCannotTravel();
    void badPeriodSendsNothing();
    void queryOfOtherWidthSendsNothing_data();
    void queryOfOtherWidthSendsNothing();
    void databaseClosedMidRun();
    void programEndingMidRun();
    void lineLengthLimit_data();
    void lineLengthLimit();
    void regionalSettings_data();
    void regionalSettings();
    void killedServerMidRun(); // last: the server stays down

private:
    PayrollFile &payroll();
    ExportRun::Outcome runExport(const QString &keys = QStringLiteral("3, 999, 1000"),
                                 const QString &period = QStringLiteral("202403"),
                                 qint64 reccount = -2);
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
    bool buttonVisible_ = true;
    // Called at every turn of the message loop: turn 0 after the button was hidden, turn n
    // before line n is sent. False: the program is ending.
    std::function<bool(int)> onLoop_;
    int turn_ = 0;
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
    server_->killGlobal("^KWPTEST");
    data_ = std::make_unique<QTemporaryDir>();
    payroll_ = std::make_unique<PayrollFile>(data_->filePath(QStringLiteral("payroll.db")));
    messages_->messages.clear();
    buttonVisible_ = true;
    onLoop_ = nullptr;
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

ExportRun::Outcome ExportRunTest::runExport(const QString &keys, const QString &period,
                                            qint64 reccount) {
    if (!payroll_->error().isEmpty())
        qWarning("payroll file: %s", qPrintable(payroll_->error()));
    Session &session = connected_->session;
    const OpenResult opened = session.adocon.open({PayrollSource::Kind::Sqlite, payroll_->path()});
    if (!opened.ok)
        qWarning("adocon: %s", qPrintable(opened.error));
    turn_ = 0;
    if (reccount == -2)
        reccount = payroll_->expectedRecords().size();
    TestOrigin origin({keys, period}, [this] {
        QCoreApplication::processEvents();
        const int turn = turn_++;
        return onLoop_ ? onLoop_(turn) : true;
    });
    const ExportRun::Outcome outcome =
        ExportRun(*check_, *view_, origin, *messages_, {[&session](const QString &line) {
            return session.gateway.ServerExecuteChecked(line);
        }}).run(session.adocon.database(), session.sqltext, reccount);
    buttonVisible_ = origin.buttonVisible;
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
    QVERIFY(window->OK->isVisible());
    QVERIFY(buttonVisible_);
    QCOMPARE(window->fort1->position(), 4);
    QCOMPARE(window->fort1->lower(), 1);
    QCOMPARE(window->fort1->upper(), 5); // the preview's count, as given
}

void ExportRunTest::refusal_data() {
    QTest::addColumn<int>("refused"); // 0: the opening record
    QTest::addColumn<int>("stored");
    QTest::newRow("opening record") << 0 << 0;
    QTest::newRow("line 5 of 10") << 5 << 4;
}

void ExportRunTest::refusal() {
    QFETCH(int, refused);
    QFETCH(int, stored);
    payroll().addLines(10);
    const QByteArray text = "Satz abgelehnt: Lohnart gesperrt (Prüfung)";
    QVERIFY(server_->setGlobal("^KWPTEST(\"refuse\"," + QByteArray::number(refused) + ")", text));
    const int before = server_->lastBatch();

    QCOMPARE(runExport(), ExportRun::Outcome::Refused);
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, QString::fromLatin1(text));
    QVERIFY(messages_->messages[0].title.isEmpty()); // the application's title
    QVERIFY(!view_->window()->isVisible());
    QVERIFY(!buttonVisible_);
    if (refused == 0) {
        QCOMPARE(server_->lastBatch(), before);
        return;
    }
    const int batch = server_->lastBatch();
    QCOMPARE(storedLines(batch, stored).size(), stored);
    for (int n = 1; n <= stored; ++n)
        QCOMPARE(server_->storedLine(batch, n), bytes(payroll().expectedRecords()[n - 1]));
    // Received up to the refused line and not one more.
    QCOMPARE(connected_->receivedOnChannel(), refused);
    QCOMPARE(view_->window()->fort1->position(), refused);
}

void ExportRunTest::emptyResult() {
    view_->showWindow();
    view_->setMeterPosition(7);
    const int before = server_->lastBatch();
    QCOMPARE(runExport(QStringLiteral("3, 999, 1000"), QStringLiteral("202403"), 0),
             ExportRun::Outcome::Completed);
    QCOMPARE(server_->lastBatch(), before + 1); // the opening record still went
    QVERIFY(view_->window()->OK->isVisible());
    QVERIFY(buttonVisible_);
    QCOMPARE(view_->window()->fort1->position(), 7);
    QCOMPARE(view_->window()->fort1->upper(), 0);
}

void ExportRunTest::noClientMarked() {
    payroll().addLines(2);
    QCOMPARE(runExport(QStringLiteral("1000")), ExportRun::Outcome::Completed);
    const int batch = server_->lastBatch();
    QCOMPARE(server_->global("^KWPIMP(" + QByteArray::number(batch) + ")"),
             QByteArray("1000```202403"));
    QCOMPARE(server_->storedLine(batch, 1), QByteArray());
}

void ExportRunTest::typedPeriodUsedAsTyped() {
    payroll().addLines(2);
    payroll().addLine(3, 9, {{"Periode", "202402"}}, {{3, "202402"}});
    QCOMPARE(runExport(QStringLiteral("3, 999, 1000"), QStringLiteral("202402"), 2),
             ExportRun::Outcome::Completed);
    const int batch = server_->lastBatch();
    QCOMPARE(server_->global("^KWPIMP(" + QByteArray::number(batch) + ")"),
             QByteArray("3, 999, 1000```202402"));
    QCOMPARE(server_->storedLine(batch, 1), bytes(payroll().expectedRecords()[2]));
    QCOMPARE(server_->storedLine(batch, 2), QByteArray());
    QCOMPARE(view_->window()->fort1->upper(), 2); // still the earlier preview's count
}

void ExportRunTest::secondRunAfterCompleted() {
    payroll().addLines(3);
    QCOMPARE(runExport(), ExportRun::Outcome::Completed);
    QTest::mouseClick(view_->window()->OK, Qt::LeftButton);
    QVERIFY(!view_->window()->isVisible());
    const int first = server_->lastBatch();
    // The meter shows the first run's end until the second run counts its first line.
    QList<int> positions;
    bool okShown = false;
    onLoop_ = [&](int) {
        positions.append(view_->window()->fort1->position());
        okShown = okShown || view_->window()->OK->isVisible();
        return true;
    };
    QCOMPARE(runExport(), ExportRun::Outcome::Completed);
    QCOMPARE(positions, QList<int>({3, 1, 2, 3}));
    QVERIFY(!okShown);
    QCOMPARE(server_->lastBatch(), first + 1);
    QCOMPARE(storedLines(first + 1, 3), storedLines(first, 3));
}

void ExportRunTest::valueThatCannotTravel_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("problem");
    QTest::newRow("back-quote") << "'Ang.`x'"
                                << "D-Verh."
                                << "Backquote";
    QTest::newRow("not in windows-1252") << "'Łódź'"
                                         << "D-Verh."
                                         << "U+0141";
}

void ExportRunTest::valueThatCannotTravel() {
    QFETCH(QString, sql);
    QFETCH(QString, heading);
    QFETCH(QString, problem);
    payroll().addLines(3);
    payroll().addLine(3, 77, {{"DVerh", sql}});
    const int before = server_->lastBatch();
    QCOMPARE(runExport(), ExportRun::Outcome::NotStarted);
    QCOMPARE(server_->lastBatch(), before); // not even the opening record
    QCOMPARE(messages_->messages.size(), 1);
    const QString text = messages_->messages[0].text;
    QVERIFY2(text.contains(QStringLiteral("DN-Nr. 77")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("„") + heading + QStringLiteral("“")), qPrintable(text));
    QVERIFY2(text.contains(problem), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("nichts an den ERP-Server gesendet")), qPrintable(text));
    QVERIFY(buttonVisible_);
}

void ExportRunTest::badPeriodSendsNothing() {
    payroll().addLines(1);
    const int before = server_->lastBatch();
    QCOMPARE(runExport(QStringLiteral("3, 999, 1000"), QStringLiteral("0 or 1=1")),
             ExportRun::Outcome::NotStarted);
    QCOMPARE(server_->lastBatch(), before);
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY(buttonVisible_);
}

void ExportRunTest::queryOfOtherWidthSendsNothing_data() {
    QTest::addColumn<QString>("columns"); // replaces the query's last column
    QTest::addColumn<int>("count");
    QTest::newRow("18 columns") << "" << 18;
    QTest::newRow("20 columns") << ", d.Svnr, d.Svnr" << 20;
}

void ExportRunTest::queryOfOtherWidthSendsNothing() {
    QFETCH(QString, columns);
    QFETCH(int, count);
    payroll().addLines(2);
    QString &query = connected_->session.sqltext;
    const QString designed = query;
    query.replace(QStringLiteral(", d.Svnr"), columns);
    const int before = server_->lastBatch();
    const ExportRun::Outcome outcome = runExport();
    query = designed;
    QCOMPARE(outcome, ExportRun::Outcome::NotStarted);
    QCOMPARE(server_->lastBatch(), before);
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY2(messages_->messages[0].text.contains(QStringLiteral("liefert %1 Spalten").arg(count)),
             qPrintable(messages_->messages[0].text));
}

void ExportRunTest::databaseClosedMidRun() {
    payroll().addLines(6);
    onLoop_ = [this](int turn) {
        if (turn == 3)
            connected_->session.adocon.close();
        return true;
    };
    QCOMPARE(runExport(), ExportRun::Outcome::Stopped);
    QCOMPARE(messages_->messages.size(), 1);
    const QString text = messages_->messages[0].text;
    QVERIFY2(text.contains(QStringLiteral("Eröffnungssatz und 2 Zeilen übernommen")),
             qPrintable(text));
    QVERIFY(!buttonVisible_);
}

void ExportRunTest::programEndingMidRun() {
    payroll().addLines(6);
    onLoop_ = [](int turn) { return turn < 3; };
    QCOMPARE(runExport(), ExportRun::Outcome::Abandoned);
    QCOMPARE(connected_->receivedOnChannel(), 2); // line 3 was never sent
    QVERIFY(messages_->messages.isEmpty());
}

void ExportRunTest::killedServerMidRun() {
    payroll().addLines(6);
    onLoop_ = [this](int turn) {
        if (turn == 4)
            server_->kill();
        return true;
    };
    QCOMPARE(runExport(), ExportRun::Outcome::Stopped);
    QCOMPARE(messages_->messages.size(), 2);
    QCOMPARE(messages_->messages[0].title, QStringLiteral("Ungültige Anfrage"));
    const QString text = messages_->messages[1].text;
    QVERIFY2(text.contains(QStringLiteral("Zeile 4")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Eröffnungssatz und 3 Zeilen übernommen")),
             qPrintable(text));
    QVERIFY(!view_->window()->isVisible());
    QVERIFY(!buttonVisible_);
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

void ExportRunTest::regionalSettings_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("taken");
    QTest::newRow("German (Germany)") << "de_DE" << true;
    QTest::newRow("German (Austria)") << "de_AT" << true;
    QTest::newRow("English (US): 1/3/2024, decimal point") << "en_US" << false;
    QTest::newRow("French: 01/03/2024") << "fr_FR" << false;
    QTest::newRow("German (Switzerland): decimal point") << "de_CH" << false;
}

void ExportRunTest::regionalSettings() {
    QFETCH(QString, locale);
    QFETCH(bool, taken);
    payroll().addLines(2);
    const int before = server_->lastBatch();
    // As [Regional] Locale pins it for the program.
    QLocale::setDefault(QLocale(locale));
    const ExportRun::Outcome outcome = runExport();
    QLocale::setDefault(QLocale::system());
    if (taken) {
        QCOMPARE(outcome, ExportRun::Outcome::Completed);
        QCOMPARE(server_->storedLine(server_->lastBatch(), 2),
                 bytes(payroll().expectedRecords()[1]));
        return;
    }
    QCOMPARE(outcome, ExportRun::Outcome::NotStarted);
    QCOMPARE(server_->lastBatch(), before);
    const QString text = messages_->messages.value(0).text;
    QVERIFY2(text.contains(QStringLiteral("Regionaleinstellungen")) &&
                 text.contains(QStringLiteral("Locale=de_DE")) && text.contains(locale),
             qPrintable(text));
    QVERIFY(buttonVisible_);
}

QTEST_MAIN(ExportRunTest)
#include "tst_exportrun.moc"
