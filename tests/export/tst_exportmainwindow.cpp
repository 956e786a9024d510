#include "app/FMStart.h"
#include "app/ProgramWindows.h"
#include "export/ExportController.h"
#include "export/ProgressMeter.h"
#include "export/kwpexport.h"
#include "login/FMPass.h"
#include "tests/export/ConnectedServer.h"
#include "tests/export/PayrollFile.h"
#include "tests/export/ProgressControls.h"
#include "tests/support/RecordedMessages.h"
#include "wagetypes/FMLart.h"
#include "wagetypes/WageTypeTexts.h"
#include "widgets/FittedLayout.h"
#include "widgets/ListGrid.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <utility>

// The export as the user starts it: the main window's "Export" button, the progress window
// beside it, the windows the main window opens meanwhile, the real channel to the GT.M demo
// ERP server.
class ExportMainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void completedRun();
    void refusalKeepsButtonHidden();
    void closingMainWindowMidRun_data();
    void closingMainWindowMidRun();
    void actionsDuringRun_data();
    void actionsDuringRun();

private:
    void openMainWindow();
    // The end of the run's journal: outcome and the records the server took for certain.
    QStringList journalEnd();
    // Runs action once the meter has reached the position, from inside the run.
    void atPosition(int position, std::function<void()> action);
    // The main window's controls, by their names.
    QPushButton *button(const QString &name) const {
        return window_->findChild<QPushButton *>(name);
    }
    QComboBox *periode() const {
        return window_->findChild<QComboBox *>(QStringLiteral("periode"));
    }
    ListGrid *mandant() const { return window_->findChild<ListGrid *>(QStringLiteral("mandant")); }
    ListGrid *list1() const { return window_->findChild<ListGrid *>(QStringLiteral("list1")); }

    std::unique_ptr<ConnectedServer> server_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<PayrollFile> payroll_;
    RecordedMessages *messages_ = nullptr;
    std::unique_ptr<FMStart> window_;
    std::unique_ptr<ProgramWindows> windows_;
    ExportController *exporter_ = nullptr;
    std::unique_ptr<QTimer> watcher_;
    QList<bool> buttonDuringRun_;
    bool ended_ = false;
};

void ExportMainWindowTest::initTestCase() {
    server_ = std::make_unique<ConnectedServer>();
    QVERIFY2(server_->ok(), qPrintable(server_->error()));
    messages_ = &server_->messages;
}

void ExportMainWindowTest::init() {
    server_->fixture().killGlobal("^KWPTEST");
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"),
                        dir_->filePath(QStringLiteral("kwp1.sql"))));
    QVERIFY(QDir::setCurrent(dir_->path()));
    payroll_ = std::make_unique<PayrollFile>(dir_->filePath(QStringLiteral("payroll.db")));
    payroll_->addLines(6);
    server_->session.journalDirectory = dir_->filePath(QStringLiteral("journal"));
    messages_->messages.clear();
    buttonDuringRun_.clear();
    ended_ = false;
}

void ExportMainWindowTest::cleanup() {
    watcher_.reset();
    exporter_ = nullptr;
    windows_.reset();
    window_.reset();
    payroll_.reset();
    QDir::setCurrent(QDir::tempPath());
    dir_.reset();
}

void ExportMainWindowTest::openMainWindow() {
    window_ = std::make_unique<FMStart>(
        server_->session, PayrollSource{PayrollSource::Kind::Sqlite, payroll_->path()});
    windows_ = std::make_unique<ProgramWindows>(server_->session, *window_, QString());
    exporter_ = &windows_->exporter;
    // The session is logged on already, and stays so for the next test.
    window_->setServerHooks({[] { return true; }, [] {}});
    // As the program does: the run learns that the program is ending.
    window_->setEndProgram([this](int) {
        windows_->programEnding();
        ended_ = true;
    });
    QVERIFY(window_->Form_Load());
    window_->move(120, 80);
    window_->show();
    periode()->setEditText(QStringLiteral("202403"));
    QVERIFY(window_->refresh1());
}

QStringList ExportMainWindowTest::journalEnd() {
    QMap<QString, QString> end;
    for (const QStringList &record : readJournalRecords(exporter_->journal().path()))
        if (record.value(0) == QLatin1String("Ende"))
            end.insert(record.value(1), record.value(2));
    return {end.value(QStringLiteral("Ergebnis")), end.value(QStringLiteral("Sätze übernommen"))};
}

void ExportMainWindowTest::atPosition(int position, std::function<void()> action) {
    watcher_ = std::make_unique<QTimer>();
    connect(watcher_.get(), &QTimer::timeout, this, [this, position, action] {
        kwpexport *progress = exporter_ ? exporter_->view().window() : nullptr;
        if (!exporter_ || !exporter_->run().isRunning())
            return;
        buttonDuringRun_.append(window_ && button(QStringLiteral("export"))->isVisible());
        if (progress && fort1(progress)->position() == position) {
            watcher_->stop();
            action();
        }
    });
    watcher_->start(0);
}

void ExportMainWindowTest::completedRun() {
    openMainWindow();
    atPosition(-1, [] {});
    QTest::mouseClick(button(QStringLiteral("export")), Qt::LeftButton);
    QCOMPARE(exporter_->lastOutcome(), ExportRun::Outcome::Completed);
    QVERIFY(messages_->messages.isEmpty());
    QVERIFY(!buttonDuringRun_.isEmpty());
    QVERIFY(!buttonDuringRun_.contains(true));
    QVERIFY(button(QStringLiteral("export"))->isVisible());
    QCOMPARE(server_->receivedOnChannel(), 6);
    QCOMPARE(server_->openingOfLastBatch(), QByteArray("3, 999, 1000```202403"));
    QCOMPARE(journalEnd(), QStringList({"abgeschlossen", "7"}));

    kwpexport *progress = exporter_->view().window();
    QVERIFY(progress->isVisible());
    QVERIFY(okButton(progress)->isVisible());
    QCOMPARE(fort1(progress)->upper(), 6);
    const FittedLayout layout(progress);
    QCOMPARE(progress->frameGeometry().topLeft(),
             window_->frameGeometry().topLeft() + QPoint(layout.twips(200), layout.twips(1000)));
}

void ExportMainWindowTest::refusalKeepsButtonHidden() {
    QVERIFY(server_->fixture().setGlobal("^KWPTEST(\"refuse\",2)", "Nein."));
    openMainWindow();
    QTest::mouseClick(button(QStringLiteral("export")), Qt::LeftButton);
    QCOMPARE(exporter_->lastOutcome(), ExportRun::Outcome::Refused);
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, QStringLiteral("Nein."));
    QVERIFY(!button(QStringLiteral("export"))->isVisible());
    QVERIFY(!exporter_->view().window()->isVisible());
    // A preview refresh does not bring it back either.
    QVERIFY(window_->refresh1());
    QVERIFY(!button(QStringLiteral("export"))->isVisible());
}

void ExportMainWindowTest::closingMainWindowMidRun_data() {
    QTest::addColumn<bool>("closeBox"); // else the "Beenden" button
    QTest::newRow("close box") << true;
    QTest::newRow("Beenden") << false;
}

void ExportMainWindowTest::closingMainWindowMidRun() {
    QFETCH(bool, closeBox);
    // The run stops before adocon is closed under its rows.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
    // One record at a time: the meter then stands at the record about to be sent (in flight
    // it counts answers; that case is tst_exportflight's).
    GatewaySettings &settings = server_->session.gateway.settings;
    const int inFlight = std::exchange(settings.recordsInFlight, 0);
    openMainWindow();
    settings.recordsInFlight = inFlight;
    atPosition(3, [this, closeBox] {
        if (closeBox)
            window_->close();
        else
            button(QStringLiteral("Command1"))->click();
    });
    QTest::mouseClick(button(QStringLiteral("export")), Qt::LeftButton);
    QVERIFY(ended_);
    QCOMPARE(exporter_->lastOutcome(), ExportRun::Outcome::Abandoned);
    QCOMPARE(server_->receivedOnChannel(), 2); // line 3 was never sent
    QCOMPARE(server_->storedInLastBatch(), 2);
    QCOMPARE(journalEnd(), QStringList({"Programm beendet", "3"}));
    QVERIFY(messages_->messages.isEmpty());
}

void ExportMainWindowTest::actionsDuringRun_data() {
    QTest::addColumn<QString>("action");
    // The preview waits for the end of the run: the run reads its rows from the same
    // connection.
    QTest::newRow("untick a client") << "tick";
    QTest::newRow("choose a period") << "period";
    // Refused with a message: a new connection under the run, a changed assignment between
    // two of its records. Opening the wage types reads between two records and works.
    QTest::newRow("log on anew") << "login";
    QTest::newRow("wage types: open, save") << "wagetypes";
    // The progress window stays while the run goes on.
    QTest::newRow("close the progress window") << "progress";
}

void ExportMainWindowTest::actionsDuringRun() {
    QFETCH(QString, action);
    QVERIFY(server_->fixture().killGlobal("^PERSP(1,20)"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "lohnart");
        db.setDatabaseName(payroll_->path());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("create table Lohnart (LA_ID integer primary key, Name varchar(40))"));
        QVERIFY(q.exec("insert into Lohnart values (100, 'Gehalt')"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lohnart"));
    // One record at a time, so that the action comes between two records of the run.
    Session &session = server_->session;
    const int inFlight = std::exchange(session.gateway.settings.recordsInFlight, 0);
    openMainWindow();
    session.gateway.settings.recordsInFlight = inFlight;
    QStringList during; // what the action left while the run went on
    atPosition(3, [&] {
        if (action == QLatin1String("tick")) {
            mandant()->grid().setChecked(0, 3, false);
        } else if (action == QLatin1String("period")) {
            periode()->setEditText(QStringLiteral("202402"));
            emit periode()->activated(0);
        } else if (action == QLatin1String("login")) {
            windows_->login.showFromMenu();
            windows_->login.dialog()->fill(ErpServerFixture::demoUser(QStringLiteral("test")));
            windows_->login.dialog()->findChild<QPushButton *>(QStringLiteral("BUSpeich"))->click();
            during << QString::number(windows_->login.dialog()->isVisible());
        } else if (action == QLatin1String("wagetypes")) {
            windows_->wageTypes.open();
            FMLart *lart = windows_->wageTypes.window();
            if (!lart)
                return;
            lart->sheet().drop(0, 3, QStringLiteral("5"), QStringLiteral("Betrag 50%"));
            okButton(lart)->click();
            during << QString::fromLatin1(server_->fixture().global("^PERSP(1,20,100)"));
        } else {
            exporter_->view().window()->close();
            during << QString::number(exporter_->view().window()->isVisible());
        }
        during << QString::number(window_->previewRecords()) << list1()->grid().rowText(0);
    });
    QTest::mouseClick(button(QStringLiteral("export")), Qt::LeftButton);
    // The run went through on its own connection, untouched.
    QCOMPARE(exporter_->lastOutcome(), ExportRun::Outcome::Completed);
    QCOMPARE(server_->receivedOnChannel(), 6);
    QCOMPARE(journalEnd(), QStringList({"abgeschlossen", "7"}));
    if (action == QLatin1String("tick") || action == QLatin1String("period")) {
        QCOMPARE(during.value(0), QStringLiteral("6"));
        QVERIFY(!during.value(1).isEmpty());
        QCOMPARE(window_->previewRecords(), 0); // caught up after the run
        QCOMPARE(list1()->grid().rows(), 0);
        QVERIFY(messages_->messages.isEmpty());
    } else if (action == QLatin1String("login")) {
        QCOMPARE(during.value(0), QStringLiteral("1")); // the dialog stays, values kept
        QCOMPARE(messages_->messages.size(), 1);
        QVERIFY(messages_->messages[0].text.contains(QStringLiteral("solange ein Export läuft")));
    } else if (action == QLatin1String("wagetypes")) {
        QCOMPARE(during.value(0), QString()); // nothing written during the run
        QCOMPARE(messages_->messages.size(), 1);
        QCOMPARE(messages_->messages[0].text, WageTypeTexts::notWhileExporting());
        FMLart *lart = windows_->wageTypes.window();
        QVERIFY(lart);
        okButton(lart)->click(); // after the run it saves
        QCOMPARE(server_->fixture().global("^PERSP(1,20,100)"), QByteArray("5`"));
    } else {
        QCOMPARE(during.value(0), QStringLiteral("1"));
        QVERIFY(okButton(exporter_->view().window())->isVisible());
    }
}

QTEST_MAIN(ExportMainWindowTest)
#include "tst_exportmainwindow.moc"
