#include "core/ListGridModel.h"
#include "core/QueryFile.h"
#include "gateway/ErpConnection.h"
#include "gateway/ErpGateway.h"
#include "gateway/MumpsString.h"
#include "tests/export/ConnectedServer.h"
#include "tests/export/PayrollFile.h"
#include "tests/support/RecordedMessages.h"
#include "tests/wagetypes/WageTypeFixture.h"
#include "wagetypes/AssignmentFile.h"
#include "wagetypes/Categories.h"
#include "wagetypes/PeriodWageTypes.h"
#include "wagetypes/WageTypeSheet.h"
#include "wagetypes/WageTypeTexts.h"

#include <QTest>

#include <memory>

using Nodes = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Nodes)

// Loading and saving the assignment against the GT.M demo ERP server and SQLite Lohnart tables;
// after each save the subtree is read back on a connection of its own. The save's order when a
// line fails: tst_wagetypesave.
class WageTypeSheetTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void categoryNames_data();
    void categoryNames();
    void textsReachServerExactly_data();
    void textsReachServerExactly();
    void backupLines_data();
    void backupLines();
    void loadAndSave_data();
    void loadAndSave();
    void saveOwnsWholeSubtree();
    void emptyTable();
    void keysThatNeedQuoting();
    void percentNotBackQuote_data();
    void percentNotBackQuote();
    void lohnartQueryFails();
    void unreadRowsKeepServerValue();
    void unassignedOfPeriod();
    void serverKilledWhileLoading();

private:
    ErpServerFixture &server() { return connected_->fixture(); }
    bool load(const LohnartFile &file) { return load(file, programChannel(gateway())); }
    bool load(const LohnartFile &file, const AssignmentChannel &channel);
    // The channel, with the lines that contain marker replaced by a line the server fails.
    AssignmentChannel failing(const QString &marker);

    std::unique_ptr<ConnectedServer> connected_;
    RecordedMessages *messages_ = nullptr;
    ErpGateway &gateway() { return connected_->session.gateway; }
    std::unique_ptr<ListGridModel> lalist_;
    std::unique_ptr<WageTypeSheet> sheet_;
};

void WageTypeSheetTest::initTestCase() {
    connected_ = std::make_unique<ConnectedServer>();
    QVERIFY2(connected_->ok(), qPrintable(connected_->error()));
}

void WageTypeSheetTest::init() {
    QVERIFY(setPercent(gateway()));
    messages_ = &connected_->messages;
    messages_->messages.clear();
    lalist_ = std::make_unique<ListGridModel>();
    sheet_ = std::make_unique<WageTypeSheet>(*lalist_);
}

bool WageTypeSheetTest::load(const LohnartFile &file, const AssignmentChannel &channel) {
    return sheet_->load(file.database(), channel, *messages_);
}

AssignmentChannel WageTypeSheetTest::failing(const QString &marker) {
    AssignmentChannel channel = programChannel(gateway());
    channel.execute = [this, marker](const QString &line) {
        return gateway().ServerExecuteChecked(
            line.contains(marker) ? QStringLiteral("S P0=$$NONE^KWPNONE") : line);
    };
    return channel;
}

void WageTypeSheetTest::categoryNames_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("first") << "1"
                           << "Basisbezug";
    QTest::newRow("last") << "17"
                          << "Überst.Abf.Entsch.";
    QTest::newRow("blank row") << "18"
                               << "";
    QTest::newRow("outside") << "25"
                             << "";
    QTest::newRow("zero") << "0"
                          << "";
    QTest::newRow("not a number") << "x"
                                  << "";
    QTest::newRow("negative") << "-3"
                              << "";
    QTest::newRow("leading number") << "5abc"
                                    << "Betrag 50%";
    QTest::newRow("half to even, down") << "2.5"
                                        << "Weinachtsren.";
    QTest::newRow("half to even, up") << "4.5"
                                      << "Betrag 50%";
    QTest::newRow("half to even, zero") << "1.5"
                                        << "Basisbezug";
    QTest::newRow("huge") << "99999999999999999999999"
                          << "";
}

void WageTypeSheetTest::categoryNames() {
    QFETCH(QString, field);
    QFETCH(QString, name);
    QCOMPARE(categoryNameOf(field), name);
}

void WageTypeSheetTest::textsReachServerExactly_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("quotes") << "a\"b\"\"";
    QTest::newRow("only a quote") << "\"";
    QTest::newRow("controls") << QStringLiteral("\tx\r\ny\x7f");
    QTest::newRow("many controls") << QString(150, QChar(u'\x01')) + QStringLiteral("z");
    QTest::newRow("line breaker") << "\") K ^PERSP S x=(\"";
    QTest::newRow("umlauts") << "Überstd. 50%;ä";
}

void WageTypeSheetTest::textsReachServerExactly() {
    QFETCH(QString, text);
    bool ok = false;
    const QByteArray value = server().evaluate(("S P0=" + mumpsString(text)).toLatin1(), &ok);
    QVERIFY(ok);
    QCOMPARE(value, text.toLatin1());
}

void WageTypeSheetTest::backupLines_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error"); // empty: parsed, and written back the same
    const QString head = QStringLiteral("KWP-Import Lohnarten-Zuordnung, Format 1\n");
    const auto last = [](int count) {
        return QStringLiteral("Ende der Sicherung, Einträge: %1\n").arg(count);
    };
    QTest::newRow("plain") << head + "100;5`12\n101;`3\n" + last(2) << "";
    QTest::newRow("escapes") << head + "a\\;b\\\\;\\x09\"`\\x0d\n" + last(1) << "";
    QTest::newRow("deliberately empty") << head + last(0) << "";
    QTest::newRow("no separator") << head + "100\n" + last(1) << "Zeile 2";
    QTest::newRow("two separators") << head + "\n100;1;2\n" + last(1) << "Zeile 3";
    QTest::newRow("key twice") << head + "100;1`\n100;2`\n" + last(2) << "zweites Mal";
    QTest::newRow("bad escape") << head + "100;\\q\n" + last(1) << "Zeile 2";
    QTest::newRow("empty key") << head + ";1`\n" + last(1) << "leer";
    QTest::newRow("empty file") << ""
                                << "Die Sicherung ist leer";
    QTest::newRow("only a line end") << "\n"
                                     << "Die Sicherung ist leer";
    QTest::newRow("no head line") << "100;5`12\n" + last(1) << "keine Sicherung";
    QTest::newRow("cut") << head + "100;5`12\n101;`"
                         << "unvollständig";
    QTest::newRow("last line cut") << head + "100;5`12\n" + last(1).chopped(1) << "unvollständig";
    QTest::newRow("count differs") << head + "100;5`12\n" + last(2) << "nennt 2 Einträge";
}

void WageTypeSheetTest::backupLines() {
    QFETCH(QString, file);
    QFETCH(QString, error);
    const AssignmentFile::Parsed parsed = AssignmentFile::parse(file);
    QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
    QCOMPARE(parsed.ok, error.isEmpty());
    if (parsed.ok)
        QCOMPARE(AssignmentFile::text(parsed.entries), file);
    else
        QVERIFY(parsed.entries.isEmpty());
}

void WageTypeSheetTest::loadAndSave_data() {
    QTest::addColumn<QByteArray>("stored"); // the node of wage type 100; empty: none
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("no node") << QByteArray() << ""
                             << ""
                             << "`" << QByteArray();
    QTest::newRow("count only") << QByteArray("5`") << "Betrag 50%"
                                << ""
                                << "5`" << QByteArray("^PERSP(1,20,100)=5`|");
    QTest::newRow("amount only") << QByteArray("`12") << ""
                                 << "Stunden 50%"
                                 << "`12" << QByteArray("^PERSP(1,20,100)=`12|");
    QTest::newRow("no categories") << QByteArray("x`0") << ""
                                   << ""
                                   << "x`0" << QByteArray("^PERSP(1,20,100)=x`0|");
    QTest::newRow("outside and half") << QByteArray("25`2.5") << ""
                                      << "Weinachtsren."
                                      << "25`2.5" << QByteArray("^PERSP(1,20,100)=25`2.5|");
    QTest::newRow("three fields") << QByteArray("1`2`3") << "Basisbezug"
                                  << "Urlaubszuschuss"
                                  << "1`2" << QByteArray("^PERSP(1,20,100)=1`2|");
    QTest::newRow("quote in a field") << QByteArray("7\"`\"") << "Betrag 100%"
                                      << ""
                                      << "7\"`\"" << QByteArray("^PERSP(1,20,100)=7\"`\"|");
    QTest::newRow("both empty") << QByteArray("`") << ""
                                << ""
                                << "`" << QByteArray();
}

void WageTypeSheetTest::loadAndSave() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, count);
    QFETCH(QString, amount);
    QFETCH(QString, value);
    QFETCH(QByteArray, saved);
    const LohnartFile file({{"100", "Gehalt"}, {"101", "Lohn"}});
    QVERIFY(seedAssignment(server(), stored.isEmpty() ? Nodes{} : Nodes{{"100", stored}}));

    QVERIFY(load(file));
    QCOMPARE(sheet_->rows(), 2);
    QCOMPARE(lalist_->rowText(0), "100;Gehalt;" + count + ";" + amount);
    QCOMPARE(sheet_->value(0), value);
    QCOMPARE(lalist_->rowText(1), QStringLiteral("101;Lohn;;"));
    QCOMPARE(sheet_->value(1), QStringLiteral("`"));
    QVERIFY(sheet_->save(programChannel(gateway()), *messages_));
    QCOMPARE(storedAssignment(server()), saved);
    QVERIFY(messages_->messages.isEmpty());
}

void WageTypeSheetTest::saveOwnsWholeSubtree() {
    const LohnartFile file({{"100", "Gehalt"}, {"101", "Lohn"}, {"102", "Prämie"}});
    QVERIFY(seedAssignment(server(), {{"", "top"},
                                      {"100", "1`2"},
                                      {"100,\"alt\"", "x"},
                                      {"101", "3`"},
                                      {"999", "4`4"},
                                      {"\"x\",1", "y"}}));
    QVERIFY(load(file));
    sheet_->drop(1, WageTypeSheet::CountColumn, QString(), QString()); // clears 101
    sheet_->drop(2, WageTypeSheet::AmountColumn, QStringLiteral("16"),
                 QStringLiteral("Provisionen"));
    QVERIFY(sheet_->save(programChannel(gateway()), *messages_));
    QCOMPARE(storedAssignment(server()), QByteArray("^PERSP(1,20,100)=1`2|^PERSP(1,20,102)=`16|"));
}

void WageTypeSheetTest::emptyTable() {
    const LohnartFile file({});
    QVERIFY(seedAssignment(server(), {{"100", "1`2"}, {"\"x\"", "y"}}));
    QVERIFY(load(file));
    QCOMPARE(sheet_->rows(), 0);
    QCOMPARE(lalist_->rows(), 0);
    QVERIFY(sheet_->save(programChannel(gateway()), *messages_));
    QCOMPARE(storedAssignment(server()), QByteArray());
}

void WageTypeSheetTest::keysThatNeedQuoting() {
    const QString breaker = QStringLiteral("1\") K ^KWPGUARD S x=(\"");
    const LohnartFile file({{breaker, "Brecher"}, {"A\"B", "Quote"}, {"T\tab", "Tab;Name"}}, true);
    QVERIFY(server().setGlobal("^KWPGUARD", "da"));
    QVERIFY(seedAssignment(server(), {{ErpServerFixture::mLiteral(breaker.toLatin1()), "1`\""},
                                      {"\"A\"\"B\"", "\"`2"}}));
    QVERIFY(load(file));
    QCOMPARE(sheet_->rows(), 3);
    QCOMPARE(sheet_->key(0), breaker);
    QCOMPARE(sheet_->value(0), QStringLiteral("1`\""));
    QCOMPARE(sheet_->key(1), QStringLiteral("A\"B"));
    QCOMPARE(sheet_->value(1), QStringLiteral("\"`2"));
    QCOMPARE(lalist_->rowText(2), QStringLiteral("T\tab;Tab,Name;;"));
    sheet_->drop(2, WageTypeSheet::AmountColumn, QStringLiteral("3"),
                 QStringLiteral("Weinachtsren."));
    QVERIFY(sheet_->save(programChannel(gateway()), *messages_));
    QCOMPARE(storedAssignment(server()),
             QByteArray("^PERSP(1,20,\"1\"\") K ^KWPGUARD S x=(\"\"\")=1`\"|"
                        "^PERSP(1,20,\"A\"\"B\")=\"`2|^PERSP(1,20,\"T\"_$C(9)_\"ab\")=`3|"));
    QCOMPARE(server().global("^KWPGUARD"), QByteArray("da"));
    QVERIFY(messages_->messages.isEmpty());
}

void WageTypeSheetTest::percentNotBackQuote_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("not set") << QByteArray("K %");
    QTest::newRow("another delimiter") << QByteArray("S %=\"^\"");
}

void WageTypeSheetTest::percentNotBackQuote() {
    QFETCH(QByteArray, line);
    QVERIFY(gateway().ServerExecuteChecked(QString::fromLatin1(line)).ok);
    const LohnartFile file(LohnartFile::Rows{{"100", "Gehalt"}});
    QVERIFY(seedAssignment(server(), {{"100", "1`2"}}));
    QVERIFY(!load(file));
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, WageTypeTexts::percentNotSet());
    QCOMPARE(lalist_->rows(), 0);
    QCOMPARE(storedAssignment(server()), QByteArray("^PERSP(1,20,100)=1`2|"));
}

void WageTypeSheetTest::lohnartQueryFails() {
    const LohnartFile file(LohnartFile::Rows{{"100", "Gehalt"}});
    QSqlDatabase elsewhere =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("empty"));
    elsewhere.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(elsewhere.open());
    QVERIFY(!sheet_->load(elsewhere, programChannel(gateway()), *messages_));
    elsewhere.close();
    elsewhere = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("empty"));
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, WageTypeTexts::queryFailed());
    QVERIFY(messages_->messages[0].details.contains(QStringLiteral("Lohnart")));
}

void WageTypeSheetTest::unreadRowsKeepServerValue() {
    const LohnartFile file({{"100", "Gehalt"}, {"101", "Lohn"}, {"102", "Prämie"}});
    QVERIFY(seedAssignment(server(), {{"100", "1`2"}, {"101", "3`4"}, {"102", "5`6"}}));
    // Only the count of 101 fails; its amount is read.
    QVERIFY(load(file, failing(QStringLiteral("\"101\")),%,1)"))));
    QCOMPARE(sheet_->unreadKeys(), QStringList{QStringLiteral("101")});
    QCOMPARE(lalist_->rowText(1), QStringLiteral("101;Lohn;(nicht gelesen);Betrag 0%"));
    QCOMPARE(messages_->messages.size(), 2); // the channel's, then which wage types
    QCOMPARE(messages_->messages[1].text, WageTypeTexts::unread({QStringLiteral("101")}));

    // Setting only the other field leaves the row unread: the server keeps 3`4.
    sheet_->drop(1, WageTypeSheet::AmountColumn, QStringLiteral("9"), QStringLiteral("Km-Geld"));
    sheet_->drop(0, WageTypeSheet::CountColumn, QStringLiteral("7"), QStringLiteral("Betrag 100%"));
    QVERIFY(sheet_->save(programChannel(gateway()), *messages_));
    QCOMPARE(storedAssignment(server()),
             QByteArray("^PERSP(1,20,100)=7`2|^PERSP(1,20,101)=3`4|^PERSP(1,20,102)=5`6|"));

    // Both fields set anew: the row is written.
    sheet_->drop(1, WageTypeSheet::CountColumn, QString(), QString());
    QVERIFY(sheet_->save(programChannel(gateway()), *messages_));
    QCOMPARE(storedAssignment(server()),
             QByteArray("^PERSP(1,20,100)=7`2|^PERSP(1,20,101)=`9|^PERSP(1,20,102)=5`6|"));
}

void WageTypeSheetTest::unassignedOfPeriod() {
    QTemporaryDir dir;
    PayrollFile payroll(dir.filePath(QStringLiteral("payroll.db")));
    int employee = 0;
    for (const char *wageType : {"100", "101", "110", "101"})
        payroll.addLine(3, ++employee, {{QStringLiteral("LA_ID"), QString::fromLatin1(wageType)}});
    payroll.addLine(42, 1, {{QStringLiteral("LA_ID"), QStringLiteral("102")}});
    QVERIFY2(payroll.error().isEmpty(), qPrintable(payroll.error()));
    QSqlDatabase lines =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fix"));
    lines.setDatabaseName(payroll.path());
    QVERIFY(lines.open());
    const QueryFileText query =
        readQueryFile(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"));
    QVERIFY(query.ok);
    const PeriodWageTypes occurring = readPeriodWageTypes(
        lines, query.text, QStringLiteral("202403"), QStringLiteral("3, 999, 1000"));
    lines.close();
    lines = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fix"));
    QVERIFY2(occurring.ok, qPrintable(occurring.message + occurring.details));
    QCOMPARE(occurring.keys, QStringList({"100", "101", "110"}));

    const LohnartFile file({{"100", "Gehalt"}, {"101", "Lohn"}, {"102", "Prämie"}});
    QVERIFY(seedAssignment(server(), {{"100", "`3"}, {"101", "x`0"}}));
    QVERIFY(load(file));
    QCOMPARE(unassignedKeys(*sheet_, occurring.keys), QStringList({"101", "110"}));
}

void WageTypeSheetTest::serverKilledWhileLoading() {
    // A server of its own: this one is killed.
    ConnectedServer own;
    QVERIFY2(own.ok(), qPrintable(own.error()));
    ErpGateway &gateway = own.session.gateway;
    QVERIFY(setPercent(gateway));
    const LohnartFile file({{"100", "Gehalt"}, {"101", "Lohn"}, {"102", "Prämie"}});
    AssignmentChannel channel = programChannel(gateway);
    int lines = 0;
    channel.execute = [&](const QString &line) {
        if (++lines == 4)
            own.fixture().kill();
        return gateway.ServerExecuteChecked(line);
    };
    QVERIFY(!sheet_->load(file.database(), channel, own.messages));
    QCOMPARE(lines, 4);
    QCOMPARE(own.messages.messages.size(), 2);
    QCOMPARE(own.messages.messages[1].text, WageTypeTexts::connectionLost());
    QCOMPARE(sheet_->rows(), 0);
    QCOMPARE(lalist_->rows(), 0);
}

QTEST_GUILESS_MAIN(WageTypeSheetTest)
#include "tst_wagetypesheet.moc"
