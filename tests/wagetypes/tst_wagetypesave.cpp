#include "core/ListGridModel.h"
#include "gateway/ErpGateway.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/StandInConnection.h"
#include "tests/wagetypes/WageTypeFixture.h"
#include "wagetypes/WageTypeSheet.h"
#include "wagetypes/WageTypeTexts.h"

#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using Failure = StandInConnection::Failure;
using Assignment = QMap<QString, QString>;
Q_DECLARE_METATYPE(Failure)

namespace {
// ^PERSP(1,20) in memory: answers the lines of AssignmentLines for plain keys (no subnodes,
// no value of ^PERSP(1,20) itself).
struct AssignmentStore {
    Assignment nodes;

    QString answer(const QString &line) {
        static const QRegularExpression node(
            QStringLiteral("\\^PERSP\\(1,20,\"((?:[^\"]|\"\")*)\"\\)"));
        static const QRegularExpression value(QStringLiteral("=\"((?:[^\"]|\"\")*)\"$"));
        const auto unquote = [](QString text) {
            return text.replace(QStringLiteral("\"\""), "\"");
        };
        if (line.startsWith(QStringLiteral("S P0=$G(%)")))
            return QStringLiteral("1");
        if (line.startsWith(QStringLiteral("S P0=$P($G(^PERSP"))) {
            const QString key = unquote(node.match(line).captured(1));
            const int field = line.contains(QLatin1String(",%,2)")) ? 1 : 0;
            return nodes.value(key).section(QLatin1Char('`'), field, field);
        }
        if (line.startsWith(QStringLiteral("S ^PERSP"))) {
            nodes[unquote(node.match(line).captured(1))] = unquote(value.match(line).captured(1));
            return QString();
        }
        if (line.startsWith(QStringLiteral("K "))) {
            for (auto it = node.globalMatch(line); it.hasNext();)
                nodes.remove(unquote(it.next().captured(1)));
            return QString();
        }
        if (line.startsWith(QStringLiteral("N k,v S P0=\"\",k=\"\""))) {
            QString listing = QStringLiteral("0.");
            for (auto it = nodes.cbegin(); it != nodes.cend(); ++it)
                listing += QStringLiteral("%1,%2,1:").arg(it.key().size()).arg(it.value().size()) +
                           it.key() + it.value();
            return listing;
        }
        qWarning("the store does not know the line %s", qPrintable(line));
        return QStringLiteral("?");
    }
};
} // namespace

// Saving the wage-type assignment, interrupted at each of its lines on a stand-in connection:
// every new node is written before an old one is removed, so each wage type keeps its old or
// its new assignment, and a second save completes what the first began.
class WageTypeSaveTest : public QObject {
    Q_OBJECT
private slots:
    void interruptedSave_data();
    void interruptedSave();
};

void WageTypeSaveTest::interruptedSave_data() {
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<int>("at"); // the save's line
    QTest::addColumn<QString>("told");
    QTest::addColumn<Assignment>("left");
    // Old: 100, 101, 102 and 999 (no wage type); new: 100 and 101, 102 cleared.
    const Assignment old{{"100", "1`"}, {"101", "2`"}, {"102", "3`"}, {"999", "9`"}};
    const Assignment written{{"100", "4`"}, {"101", "5`"}, {"102", "3`"}, {"999", "9`"}};
    const QString first = WageTypeTexts::writeFailed(QStringLiteral("100"), 0);
    const QString second = WageTypeTexts::writeFailed(QStringLiteral("101"), 1);
    const QString cleanup = WageTypeTexts::cleanupFailed();
    Assignment firstWritten = old;
    firstWritten[QStringLiteral("100")] = QStringLiteral("4`");
    QTest::newRow("line 1 fails") << Failure::FailedLine << 1 << first << old;
    QTest::newRow("line 2 fails (the server refuses 101)")
        << Failure::FailedLine << 2 << second << firstWritten;
    QTest::newRow("connection lost before line 2")
        << Failure::Dropped << 2 << second << firstWritten;
    QTest::newRow("answer of line 2 lost") << Failure::LostAnswer << 2 << second << written;
    QTest::newRow("listing fails") << Failure::FailedLine << 3 << cleanup << written;
    QTest::newRow("removal fails") << Failure::FailedLine << 4 << cleanup << written;
    QTest::newRow("connection lost before the removal")
        << Failure::Dropped << 4 << cleanup << written;
}

void WageTypeSaveTest::interruptedSave() {
    QFETCH(Failure, failure);
    QFETCH(int, at);
    QFETCH(QString, told);
    QFETCH(Assignment, left);
    AssignmentStore store;
    store.nodes = {{"100", "1`"}, {"101", "2`"}, {"102", "3`"}, {"999", "9`"}};
    RecordedMessages messages;
    ErpGateway gateway(messages);
    const auto connect = [&]() -> StandInConnection & {
        auto connection = std::make_unique<StandInConnection>();
        connection->script = [&store](const QString &line) { return store.answer(line); };
        StandInConnection &made = *connection;
        gateway.logon.connection = std::move(connection);
        gateway.logon.Connected = true;
        return made;
    };
    const LohnartFile file({{"100", "Gehalt"}, {"101", "Lohn"}, {"102", "Prämie"}});
    ListGridModel lalist;
    WageTypeSheet sheet(lalist);
    connect();
    QVERIFY(sheet.load(file.database(), gatewayChannel(gateway), messages));
    sheet.setValue(0, QStringLiteral("4`"));
    sheet.setValue(1, QStringLiteral("5`"));
    sheet.setValue(2, QStringLiteral("`"));

    StandInConnection &server = connect();
    server.failAt(at, failure);
    QVERIFY(!sheet.save(gatewayChannel(gateway), messages));
    QCOMPARE(messages.messages.last().text, told);
    QCOMPARE(store.nodes, left);
    // Nothing is removed before every new node was written; nothing follows the failed line.
    QCOMPARE(server.lines.size(), at);
    for (int n = 0; n < server.lines.size(); ++n)
        QCOMPARE(server.lines[n].startsWith(QStringLiteral("S ^PERSP")), n < 2);

    // The rows keep the edits; once the server takes them, the save completes.
    connect();
    QVERIFY(sheet.save(gatewayChannel(gateway), messages));
    QCOMPARE(store.nodes, Assignment({{"100", "4`"}, {"101", "5`"}}));
}

QTEST_GUILESS_MAIN(WageTypeSaveTest)
#include "tst_wagetypesave.moc"
