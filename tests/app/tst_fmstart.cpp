#include "tests/support/DemoFixture.h"

#include "app/FMStart.h"
#include "core/ClientKeys.h"
#include "core/PayrollDatabase.h"
#include "core/Session.h"
#include "tests/support/RecordedMessages.h"
#include "widgets/FittedLayout.h"
#include "widgets/ListGrid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStyle>
#include <QTest>

namespace {
// The main window of a session of its own, with recorded messages, log-on, log-off and
// program end; today is 15 March 2024 unless given.
struct Started {
    explicit Started(const PayrollSource &source, const QDate &today = QDate(2024, 3, 15))
        : session(messages)
        , window(session, source) {
        session.today = [today] { return today; };
        window.setServerHooks({[this] {
                                   ++logins;
                                   return loginSucceeds;
                               },
                               [this] { ++logouts; }});
        window.setEndProgram([this](int code) { endCodes.append(code); });
    }
    // The window's controls, by their names.
    ListGrid *mandant() { return window.findChild<ListGrid *>(QStringLiteral("mandant")); }
    QComboBox *periode() { return window.findChild<QComboBox *>(QStringLiteral("periode")); }
    ListGrid *list1() { return window.findChild<ListGrid *>(QStringLiteral("list1")); }
    QPushButton *button(const QString &name) { return window.findChild<QPushButton *>(name); }

    RecordedMessages messages;
    Session session;
    FMStart window;
    bool loginSucceeds = true;
    int logins = 0;
    int logouts = 0;
    QList<int> endCodes;
};

PayrollSource sqlite(const QString &path) {
    return {PayrollSource::Kind::Sqlite, path};
}

QSet<QString> column(const ListGridModel &grid, int column) {
    QSet<QString> values;
    for (int row = 0; row < grid.rows(); ++row)
        values.insert(grid.cellText(row, column));
    return values;
}
} // namespace

class TestFMStart : public QObject {
    Q_OBJECT
private slots:
    void startupSequence();
    void januaryStartShowsDecember();
    void refreshTriggers();
    void refusedPeriodKeepsPreview();
    void sqlErrorKeepsPreview();
    void startupFailures_data();
    void startupFailures();
    void failedLogin();
    void noListedClientsAndNoPeriods();
    void endings_data();
    void endings();
    void menuAndCommands();
    void previewValuesFit_data();
    void previewValuesFit();
};

void TestFMStart::startupSequence() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    RecordedMessages &messages = s.messages;
    s.session.logon().CompanyNo = "12";
    s.session.logon().BranchNo = "3";
    s.session.logon().UserName = "Anna Müller";
    QVERIFY(s.window.Form_Load());
    QCOMPARE(messages.messages.size(), 0);
    QCOMPARE(s.logins, 1);
    QCOMPARE(s.window.windowTitle(),
             QStringLiteral("KORVEX KWP-Import              Firma: 12     Filiale: 3     "
                            "Benutzer: Anna Müller"));

    QCOMPARE(s.periode()->count(), 3);
    QCOMPARE(s.periode()->itemText(0), QStringLiteral("202402"));
    QCOMPARE(s.periode()->itemText(2), QStringLiteral("202312"));
    QCOMPARE(s.periode()->currentText(), QStringLiteral("202402"));

    const ListGridModel &mandant = s.mandant()->grid();
    QCOMPARE(mandant.rows(), 2);
    QCOMPARE(mandant.rowText(0), QStringLiteral("3;Alpenland Handels GmbH"));
    QCOMPARE(mandant.rowText(1), QStringLiteral("999;Lohnverrechnung Übungsmandant"));
    QVERIFY(mandant.isChecked(0, 3) && mandant.isChecked(1, 3));
    QCOMPARE(clientKeyList(mandant), QStringLiteral("3, 999, 1000"));

    const ListGridModel &list1 = s.list1()->grid();
    QCOMPARE(list1.columnCountOfGrid(), 19);
    QCOMPARE(list1.columnHeading(19), QStringLiteral("Svnr"));
    QCOMPARE(list1.columnWidth(19), 120);
    QCOMPARE(list1.columnHeading(8), QStringLiteral("St.Bürg."));
    const QList<int> expectedAlignment = {0, 0, 0, 2, 0, 0, 2, 0, 0, 0, 2, 2, 1, 1, 1, 1, 1, 1, 0};
    for (int c = 1; c <= 19; ++c)
        QCOMPARE(list1.columnAlignment(c), expectedAlignment.at(c - 1));

    QVERIFY(list1.rows() > 0);
    QCOMPARE(s.window.previewRecords(), qint64(list1.rows()));
    QCOMPARE(column(list1, 1), (QSet<QString>{"3", "999"}));
    QCOMPARE(column(list1, 4), QSet<QString>{"202402"});
    QVERIFY(!s.session.sqltext.isEmpty());
    QVERIFY(s.session.sqltext.endsWith("\r\n"));
    const QRegularExpression date("^\\d\\d\\.\\d\\d\\.\\d{4}$");
    QVERIFY(date.match(list1.cellText(0, 7)).hasMatch());
    QVERIFY(list1.cellText(0, 18).contains(','));
}

void TestFMStart::januaryStartShowsDecember() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()), QDate(2024, 1, 5));
    QVERIFY(s.window.Form_Load());
    QCOMPARE(s.periode()->currentText(), QStringLiteral("202312"));
    QCOMPARE(column(s.list1()->grid(), 4), QSet<QString>{"202312"});
}

void TestFMStart::refreshTriggers() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    RecordedMessages &messages = s.messages;
    QVERIFY(s.window.Form_Load());
    ListGridModel &mandant = s.mandant()->grid();
    const ListGridModel &list1 = s.list1()->grid();
    const int both = list1.rows();

    mandant.setChecked(1, 3, false);
    QCOMPARE(column(list1, 1), QSet<QString>{"3"});
    QVERIFY(list1.rows() < both);
    QCOMPARE(s.window.previewRecords(), qint64(list1.rows()));

    mandant.setChecked(0, 3, false); // nothing marked: only "1000", which has no data
    QCOMPARE(list1.rows(), 0);
    QCOMPARE(s.window.previewRecords(), 0);
    mandant.setChecked(0, 3, true);
    mandant.setChecked(1, 3, true);
    QCOMPARE(list1.rows(), both);

    // Typing a period does not refresh; choosing one from the list does.
    s.periode()->setEditText("202401");
    QCOMPARE(column(list1, 4), QSet<QString>{"202402"});
    s.periode()->setCurrentIndex(0);
    s.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window));
    QTest::keyClick(s.periode(), Qt::Key_Down);
    QCOMPARE(s.periode()->currentText(), QStringLiteral("202401"));
    QCOMPARE(column(list1, 4), QSet<QString>{"202401"}); // replaced, not added to

    // Typed text is neither completed from the list nor taken as a choice by Return.
    QLineEdit *typed = s.periode()->lineEdit();
    typed->clear();
    QTest::keyClicks(typed, "2023");
    QCOMPARE(s.periode()->currentText(), QStringLiteral("2023"));
    QTest::keyClicks(typed, "12");
    QTest::keyClick(typed, Qt::Key_Return);
    QTest::keyClick(typed, Qt::Key_Enter);
    QCOMPARE(s.periode()->currentText(), QStringLiteral("202312"));
    QCOMPARE(column(list1, 4), QSet<QString>{"202401"});
    QTest::keyClick(s.periode(), Qt::Key_Down);
    QCOMPARE(column(list1, 4), QSet<QString>{s.periode()->currentText()});
    QCOMPARE(messages.messages.size(), 0);
}

void TestFMStart::refusedPeriodKeepsPreview() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    RecordedMessages &messages = s.messages;
    QVERIFY(s.window.Form_Load());
    const ListGridModel &list1 = s.list1()->grid();
    const QString firstRow = list1.rowText(0);
    const int rows = list1.rows();
    s.periode()->setEditText("202402 or 1=1");
    s.mandant()->grid().setChecked(1, 3, false);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.first().text.contains("JJJJMM"));
    QCOMPARE(list1.rows(), rows);
    QCOMPARE(list1.rowText(0), firstRow);
    QCOMPARE(s.window.previewRecords(), qint64(rows));
}

void TestFMStart::sqlErrorKeepsPreview() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    RecordedMessages &messages = s.messages;
    QVERIFY(s.window.Form_Load());
    const int rows = s.list1()->grid().rows();
    s.session.sqltext = "select * from NoSuchTable where $$PERIODE$$ in ($$MANDANT$$)\r\n";
    QVERIFY(!s.window.refresh1());
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.first().text.contains("Vorschau"));
    QVERIFY(messages.messages.first().details.contains("NoSuchTable"));
    QCOMPARE(s.list1()->grid().rows(), rows);
    QCOMPARE(s.endCodes.size(), 0);
}

void TestFMStart::startupFailures_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("says");
    QTest::newRow("no database") << "database"
                                 << "Lohndatenbank konnte nicht geöffnet";
    QTest::newRow("no query file") << "nofile"
                                   << "Abfragedatei";
    QTest::newRow("placeholder missing") << "placeholder"
                                         << "$$MANDANT$$";
    QTest::newRow("SQL error") << "sql"
                               << "Vorschau konnte nicht";
    QTest::newRow("no FixLA table") << "tables"
                                    << "Perioden";
}

void TestFMStart::startupFailures() {
    QFETCH(QString, fault);
    QFETCH(QString, says);
    DemoFolder demo;
    QString database = demo.databasePath();
    if (fault == "database")
        database = demo.path("missing.sqlite");
    if (fault == "nofile")
        QFile::remove("kwp1.sql");
    if (fault == "placeholder")
        demo.writeQuery("select * from FixLA where Periode = $$PERIODE$$\n");
    if (fault == "sql")
        demo.writeQuery("select * from FixLA where Periode = $$PERIODE$$ and ($$MANDANT$$\n");
    if (fault == "tables") {
        database = demo.path("empty.sqlite");
        QFile empty(database);
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }
    Started s(sqlite(database));
    RecordedMessages &messages = s.messages;
    QVERIFY(!s.window.Form_Load());
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY2(messages.messages.first().text.contains(says),
             qPrintable(messages.messages.first().text));
    QVERIFY(messages.messages.first().text.contains("Das Programm wird beendet"));
    if (fault != "placeholder")
        QVERIFY(!messages.messages.first().details.isEmpty());
    QCOMPARE(s.logouts, 1);
    QVERIFY(!s.session.adocon.isOpen());
}

void TestFMStart::failedLogin() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    RecordedMessages &messages = s.messages;
    s.loginSucceeds = false;
    QVERIFY(!s.window.Form_Load());
    QCOMPARE(s.logouts, 1);
    QCOMPARE(s.endCodes.size(), 1);
    QCOMPARE(messages.messages.size(), 0);
    QVERIFY(!s.session.adocon.isOpen());
    QCOMPARE(s.window.windowTitle(), QStringLiteral("KORVEX KWP-Import"));
}

void TestFMStart::noListedClientsAndNoPeriods() {
    DemoFolder demo;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(demo.databasePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("delete from DG_Data where DG_ID in (3, 999)"));
        QVERIFY(q.exec("delete from FixLA"));
        db.close();
    }
    QSqlDatabase::removeDatabase("writer");
    Started s(sqlite(demo.databasePath()));
    RecordedMessages &messages = s.messages;
    QVERIFY(s.window.Form_Load());
    QCOMPARE(s.mandant()->grid().rows(), 0);
    QCOMPARE(s.periode()->count(), 0);
    QCOMPARE(s.periode()->currentText(), QStringLiteral("202402"));
    QCOMPARE(s.list1()->grid().rows(), 0);
    QCOMPARE(s.window.previewRecords(), 0);
    QCOMPARE(messages.messages.size(), 0);
}

void TestFMStart::endings_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("logouts");
    QTest::newRow("close box") << "close" << 1;
    QTest::newRow("menu Beenden") << "menu" << 1;
    QTest::newRow("button Beenden") << "button" << 0;
}

void TestFMStart::endings() {
    QFETCH(QString, how);
    QFETCH(int, logouts);
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    QVERIFY(s.window.Form_Load());
    s.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window));
    if (how == "close")
        s.window.close();
    else if (how == "menu")
        s.window.findChild<QAction *>("Beenden")->trigger();
    else
        QTest::mouseClick(s.button(QStringLiteral("Command1")), Qt::LeftButton);
    QCOMPARE(s.endCodes, QList<int>{0});
    QCOMPARE(s.logouts, logouts);
    // The button leaves at once: the database is not closed by the window.
    QCOMPARE(s.session.adocon.isOpen(), how == "button");
}

void TestFMStart::menuAndCommands() {
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    QVERIFY(s.window.Form_Load());
    QStringList captions;
    for (QAction *menu : s.window.menuBar()->actions()) {
        captions << menu->text();
        for (QAction *item : menu->menu()->actions())
            captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    QCOMPARE(captions, (QStringList{"&Datei", "&Login", "-", "&Beenden", "&Parameter", "&Lohnarten",
                                    "&Hilfe", "Hilfe &über ..."}));
    QSignalSpy exportSpy(&s.window, &FMStart::exportRequested);
    QSignalSpy loginSpy(&s.window, &FMStart::loginRequested);
    QSignalSpy wageSpy(&s.window, &FMStart::wageTypesRequested);
    QSignalSpy aboutSpy(&s.window, &FMStart::aboutRequested);
    QTest::mouseClick(s.button(QStringLiteral("export")), Qt::LeftButton);
    s.window.findChild<QAction *>("mLogin")->trigger();
    s.window.findChild<QAction *>("mlart")->trigger();
    s.window.findChild<QAction *>("HilfeUeber")->trigger();
    QCOMPARE(exportSpy.size(), 1);
    QVERIFY(s.window.previewRecords() > 0);
    QCOMPARE(exportSpy.first().first().toLongLong(), s.window.previewRecords()); // for the meter
    QCOMPARE(loginSpy.size(), 1);
    QCOMPARE(wageSpy.size(), 1);
    QCOMPARE(aboutSpy.size(), 1);
    QCOMPARE(s.button(QStringLiteral("export"))->text(), QStringLiteral("Export"));
    QCOMPARE(s.button(QStringLiteral("Command1"))->text(), QStringLiteral("Beenden"));
}

void TestFMStart::previewValuesFit_data() {
    QTest::addColumn<int>("pointSize");
    QTest::newRow("8 points, as the program") << 8;
    QTest::newRow("default font") << 0;
    QTest::newRow("14 points") << 14;
}

void TestFMStart::previewValuesFit() {
    QFETCH(int, pointSize);
    struct ProgramFont {
        explicit ProgramFont(int pointSize) {
            QFont font = before;
            if (pointSize > 0)
                font.setPointSize(pointSize);
            QApplication::setFont(font);
        }
        ~ProgramFont() { QApplication::setFont(before); }
        const QFont before = QApplication::font();
    } programFont(pointSize);
    DemoFolder demo;
    Started s(sqlite(demo.databasePath()));
    QVERIFY(s.window.Form_Load());
    s.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window));

    // Every value of the preview, as the grid paints it: text between the cell's margins.
    ListGrid *grid = s.list1();
    const ListGridModel &list1 = grid->grid();
    QVERIFY(list1.rows() > 0);
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr,
                                                        grid) +
                             1) +
                        1; // and the grid line
    const QFontMetrics metrics(grid->font());
    for (int column = 1; column <= list1.columnCountOfGrid(); ++column) {
        const int width = grid->columnWidth(column - 1);
        for (int row = 0; row < list1.rows(); ++row) {
            const QString text = list1.cellText(row, column);
            QVERIFY2(metrics.horizontalAdvance(text) + margins <= width,
                     qPrintable(QStringLiteral("\"%1\" in column %2 (%3 px)")
                                    .arg(text, list1.columnHeading(column))
                                    .arg(width)));
        }
    }
    // The layout keeps its proportions: the grid's columns and the window grow alike.
    const FittedLayout layout(s.window.centralWidget());
    QCOMPARE(s.window.centralWidget()->width(), layout.twips(10515));
    QCOMPARE(s.list1()->geometry(), layout.twipsRect(240, 1320, 9855, 5895));
    QCOMPARE(grid->columnWidth(0), layout.designPixels(40));
}

QTEST_MAIN(TestFMStart)
#include "tst_fmstart.moc"
