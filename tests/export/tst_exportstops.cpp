#include "export/ExportRun.h"
#include "export/ProgressMeter.h"
#include "export/kwpexport.h"
#include "tests/export/ProgressControls.h"
#include "tests/export/StandInExport.h"

#include <QPushButton>
#include <QTest>

#include <memory>

using Failure = StandInConnection::Failure;
Q_DECLARE_METATYPE(Failure)

// The export run's rules, on a stand-in connection: what it sends, where it stops, what it
// says was taken, and what it refuses before anything is sent.
class ExportStopsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void stops_data();
    void stops();
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
    void regionalSettings_data();
    void regionalSettings();

private:
    std::unique_ptr<StandInExport> run_;
    RecordedMessages &messages() { return run_->messages; }
    PayrollFile &payroll() { return run_->payroll; }
    kwpexport *window() { return run_->view.window(); }
};

void ExportStopsTest::init() {
    run_ = std::make_unique<StandInExport>();
}

void ExportStopsTest::cleanup() {
    run_.reset();
}

void ExportStopsTest::stops_data() {
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<int>("at"); // the record: 0 the opening record, n line record n
    QTest::addColumn<ExportRun::Outcome>("outcome");
    QTest::addColumn<QStringList>("told"); // parts of the message; none: the refusal's text
    const auto stopped = ExportRun::Outcome::Stopped;
    const QString noRecord = QStringLiteral("Der ERP-Server hat keinen Datensatz übernommen.");
    const QString unknown = QStringLiteral("vollständig gesendet, die Antwort blieb aus");
    QTest::newRow("refused: opening record")
        << Failure::Refused << 0 << ExportRun::Outcome::Refused << QStringList();
    QTest::newRow("refused: line 5 of 10")
        << Failure::Refused << 5 << ExportRun::Outcome::Refused << QStringList();
    QTest::newRow("failed: opening record")
        << Failure::FailedLine << 0 << stopped
        << QStringList{QStringLiteral("Der Eröffnungssatz des Exports hat den ERP-Server nicht "
                                      "erreicht"),
                       noRecord};
    QTest::newRow("failed: line 5")
        << Failure::FailedLine << 5 << stopped
        << QStringList{QStringLiteral("Zeile 5 des Exports hat den ERP-Server nicht erreicht"),
                       QStringLiteral("Eröffnungssatz und 4 Zeilen übernommen.")};
    QTest::newRow("answer lost: opening record")
        << Failure::LostAnswer << 0 << stopped
        << QStringList{QStringLiteral("Auf den Eröffnungssatz des Exports kam keine Antwort"),
                       noRecord, QStringLiteral("Der Eröffnungssatz wurde ") + unknown};
    QTest::newRow("answer lost: line 2")
        << Failure::LostAnswer << 2 << stopped
        << QStringList{QStringLiteral("Auf Zeile 2 des Exports kam keine Antwort"),
                       QStringLiteral("Eröffnungssatz und 1 Zeile übernommen."),
                       QStringLiteral("Zeile 2 wurde ") + unknown};
    QTest::newRow("connection dropped: line 7")
        << Failure::Dropped << 7 << stopped
        << QStringList{QStringLiteral("Zeile 7 des Exports hat den ERP-Server nicht erreicht"),
                       QStringLiteral("Eröffnungssatz und 6 Zeilen übernommen.")};
}

void ExportStopsTest::stops() {
    QFETCH(Failure, failure);
    QFETCH(int, at);
    QFETCH(ExportRun::Outcome, outcome);
    QFETCH(QStringList, told);
    payroll().addLines(10);
    const QString refusal = QStringLiteral("Satz abgelehnt: Lohnart gesperrt (Prüfung)");
    run_->server->failAt(at + 1, failure, refusal);

    QCOMPARE(run_->run(), outcome);
    // Sent up to the record that failed and not one more, each as its row gives it.
    QCOMPARE(run_->server->lines, run_->linesFor(payroll().expectedRecords().mid(0, at)));
    const ExportEnd &end = run_->exporter.end;
    QCOMPARE(end.openingTaken, at > 0);
    QCOMPARE(end.linesTaken, qMax(at - 1, 0));
    QCOMPARE(end.uncertain, failure == Failure::LostAnswer);
    QCOMPARE(end.stoppedAt, at);
    QVERIFY(!window()->isVisible());
    QVERIFY(!run_->exporter.buttonVisible);
    QCOMPARE(fort1(window())->position(), at);
    if (told.isEmpty()) {
        QCOMPARE(messages().messages.size(), 1);
        QCOMPARE(messages().messages[0].text, refusal);
        QVERIFY(messages().messages[0].title.isEmpty()); // the application's title
        return;
    }
    // The gateway's box for the failed line, then the run's.
    QCOMPARE(messages().messages.size(), 2);
    QCOMPARE(messages().messages[0].title, QStringLiteral("Ungültige Anfrage"));
    const QString text = messages().messages[1].text;
    for (const QString &part : told)
        QVERIFY2(text.contains(part), qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("nicht bekannt")), failure == Failure::LostAnswer);
}

void ExportStopsTest::emptyResult() {
    run_->view.showWindow();
    run_->view.setMeterPosition(7);
    QCOMPARE(run_->run(0), ExportRun::Outcome::Completed);
    QCOMPARE(run_->server->lines, run_->linesFor({})); // the opening record still went
    QVERIFY(okButton(window())->isVisible());
    QVERIFY(run_->exporter.buttonVisible);
    QCOMPARE(fort1(window())->position(), 7);
    QCOMPARE(fort1(window())->upper(), 0);
}

void ExportStopsTest::noClientMarked() {
    payroll().addLines(2);
    run_->exporter.selection.clientKeyList = QStringLiteral("1000");
    QCOMPARE(run_->run(), ExportRun::Outcome::Completed);
    QCOMPARE(run_->server->lines, run_->linesFor({}));
    QVERIFY(run_->server->lines[0].contains(QStringLiteral("\"1000```202403\"")));
}

void ExportStopsTest::typedPeriodUsedAsTyped() {
    payroll().addLines(2);
    payroll().addLine(3, 9, {{"Periode", "202402"}}, {{3, "202402"}});
    run_->exporter.selection.period = QStringLiteral("202402");
    QCOMPARE(run_->run(2), ExportRun::Outcome::Completed);
    QCOMPARE(run_->server->lines, run_->linesFor({payroll().expectedRecords()[2]}));
    QVERIFY(run_->server->lines[0].contains(QStringLiteral("\"3, 999, 1000```202402\"")));
    QCOMPARE(fort1(window())->upper(), 2); // still the earlier preview's count
}

void ExportStopsTest::secondRunAfterCompleted() {
    payroll().addLines(3);
    QCOMPARE(run_->run(), ExportRun::Outcome::Completed);
    QTest::mouseClick(okButton(window()), Qt::LeftButton);
    QVERIFY(!window()->isVisible());
    // The meter shows the first run's end until the second run counts its first line.
    QList<int> positions;
    bool okShown = false;
    run_->exporter.onLoop = [&](int) {
        positions.append(fort1(window())->position());
        okShown = okShown || okButton(window())->isVisible();
        return true;
    };
    QCOMPARE(run_->run(), ExportRun::Outcome::Completed);
    QCOMPARE(positions, QList<int>({3, 1, 2, 3}));
    QVERIFY(!okShown);
    const QStringList once = run_->linesFor(payroll().expectedRecords());
    QCOMPARE(run_->server->lines, once + once);
}

void ExportStopsTest::valueThatCannotTravel_data() {
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

void ExportStopsTest::valueThatCannotTravel() {
    QFETCH(QString, sql);
    QFETCH(QString, heading);
    QFETCH(QString, problem);
    payroll().addLines(3);
    payroll().addLine(3, 77, {{"DVerh", sql}});
    QCOMPARE(run_->run(), ExportRun::Outcome::NotStarted);
    QVERIFY(run_->server->lines.isEmpty()); // not even the opening record
    QCOMPARE(messages().messages.size(), 1);
    const QString text = messages().messages[0].text;
    QVERIFY2(text.contains(QStringLiteral("DN-Nr. 77")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("„") + heading + QStringLiteral("“")), qPrintable(text));
    QVERIFY2(text.contains(problem), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("nichts an den ERP-Server gesendet")), qPrintable(text));
    QVERIFY(run_->exporter.buttonVisible);
}

void ExportStopsTest::badPeriodSendsNothing() {
    payroll().addLines(1);
    run_->exporter.selection.period = QStringLiteral("0 or 1=1");
    QCOMPARE(run_->run(), ExportRun::Outcome::NotStarted);
    QVERIFY(run_->server->lines.isEmpty());
    QCOMPARE(messages().messages.size(), 1);
    QVERIFY(run_->exporter.buttonVisible);
}

void ExportStopsTest::queryOfOtherWidthSendsNothing_data() {
    QTest::addColumn<QString>("columns"); // replaces the query's last column
    QTest::addColumn<int>("count");
    QTest::newRow("18 columns") << "" << 18;
    QTest::newRow("20 columns") << ", d.Svnr, d.Svnr" << 20;
}

void ExportStopsTest::queryOfOtherWidthSendsNothing() {
    QFETCH(QString, columns);
    QFETCH(int, count);
    payroll().addLines(2);
    run_->session.sqltext.replace(QStringLiteral(", d.Svnr"), columns);
    QCOMPARE(run_->run(), ExportRun::Outcome::NotStarted);
    QVERIFY(run_->server->lines.isEmpty());
    QCOMPARE(messages().messages.size(), 1);
    QVERIFY2(messages().messages[0].text.contains(QStringLiteral("liefert %1 Spalten").arg(count)),
             qPrintable(messages().messages[0].text));
}

void ExportStopsTest::databaseClosedMidRun() {
    payroll().addLines(6);
    run_->exporter.onLoop = [this](int turn) {
        if (turn == 3)
            run_->session.adocon.close();
        return true;
    };
    QCOMPARE(run_->run(), ExportRun::Outcome::Stopped);
    QCOMPARE(messages().messages.size(), 1);
    const QString text = messages().messages[0].text;
    QVERIFY2(text.contains(QStringLiteral("Eröffnungssatz und 2 Zeilen übernommen")),
             qPrintable(text));
    QVERIFY(!run_->exporter.buttonVisible);
}

void ExportStopsTest::programEndingMidRun() {
    payroll().addLines(6);
    run_->exporter.onLoop = [](int turn) { return turn < 3; };
    QCOMPARE(run_->run(), ExportRun::Outcome::Abandoned);
    QCOMPARE(run_->receivedRecords(), 2); // line 3 was never sent
    QVERIFY(messages().messages.isEmpty());
}

void ExportStopsTest::regionalSettings_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("taken");
    QTest::newRow("German (Germany)") << "de_DE" << true;
    QTest::newRow("German (Austria)") << "de_AT" << true;
    QTest::newRow("English (US): 1/3/2024, decimal point") << "en_US" << false;
    QTest::newRow("French: 01/03/2024") << "fr_FR" << false;
    QTest::newRow("German (Switzerland): decimal point") << "de_CH" << false;
}

void ExportStopsTest::regionalSettings() {
    QFETCH(QString, locale);
    QFETCH(bool, taken);
    payroll().addLines(2);
    // As [Regional] Locale pins it for the program.
    QLocale::setDefault(QLocale(locale));
    const ExportRun::Outcome outcome = run_->run();
    QLocale::setDefault(QLocale::system());
    if (taken) {
        QCOMPARE(outcome, ExportRun::Outcome::Completed);
        QCOMPARE(run_->server->lines, run_->linesFor(payroll().expectedRecords()));
        return;
    }
    QCOMPARE(outcome, ExportRun::Outcome::NotStarted);
    QVERIFY(run_->server->lines.isEmpty());
    const QString text = messages().messages.value(0).text;
    QVERIFY2(text.contains(QStringLiteral("Regionaleinstellungen")) &&
                 text.contains(QStringLiteral("Locale=de_DE")) && text.contains(locale),
             qPrintable(text));
    QVERIFY(run_->exporter.buttonVisible);
}

QTEST_MAIN(ExportStopsTest)
#include "tst_exportstops.moc"
