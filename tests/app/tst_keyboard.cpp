#include "about/frmAbout.h"
#include "app/FMStart.h"
#include "core/Session.h"
#include "export/kwpexport.h"
#include "login/FMPass.h"
#include "tests/support/RecordedMessages.h"
#include "wagetypes/Categories.h"
#include "wagetypes/FMLart.h"
#include "widgets/ListGrid.h"

#include <QPushButton>
#include <QTest>

#include <memory>

// Every window is worked with the keyboard alone: Tab goes from control to control and
// round to the first again, the arrows move within a grid, Space ticks a client.
class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void tabMovesBetweenControls_data();
    void tabMovesBetweenControls();
    void arrowsAndSpaceInClientList();

private:
    std::unique_ptr<QWidget> build(const QString &window);
    RecordedMessages messages_;
    Session session_{messages_};
};

std::unique_ptr<QWidget> KeyboardTest::build(const QString &window) {
    if (window == QLatin1String("FMStart")) {
        auto main = std::make_unique<FMStart>(session_, PayrollSource{});
        ListGridModel &mandant = main->findChild<ListGrid *>(QStringLiteral("mandant"))->grid();
        mandant.addRow(QStringLiteral("3;Drei"));
        mandant.addRow(QStringLiteral("999;Neunhundert"));
        mandant.setChecked(1, 3, true);
        main->findChild<ListGrid *>(QStringLiteral("list1"))
            ->grid()
            .addRow(QStringLiteral("1;2;3"));
        return main;
    }
    if (window == QLatin1String("FMPass"))
        return std::make_unique<FMPass>();
    if (window == QLatin1String("FMLart")) {
        auto wageTypes = std::make_unique<FMLart>(QSqlDatabase(), AssignmentChannel{}, messages_);
        fillCategoryList(wageTypes->findChild<ListGrid *>(QStringLiteral("list1"))->grid());
        ListGridModel &lalist = wageTypes->findChild<ListGrid *>(QStringLiteral("lalist"))->grid();
        lalist.addRow(QStringLiteral("100;Gehalt;;"));
        lalist.addRow(QStringLiteral("101;Lohn;;"));
        return wageTypes;
    }
    if (window == QLatin1String("kwpexport"))
        return std::make_unique<kwpexport>(nullptr);
    return std::make_unique<frmAbout>(AboutSettings{}, SystemInfoSources{}, messages_);
}

void KeyboardTest::tabMovesBetweenControls_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order"); // from the first control on
    QTest::newRow("main window") << "FMStart"
                                 << QStringList{"mandant", "periode", "export", "Command1",
                                                "list1"};
    QTest::newRow("login dialog") << "FMPass" << QStringList{"BSERVER", "BFIRMA",   "BFIL",
                                                             "PASSW",   "BUSpeich", "BUAusst"};
    QTest::newRow("wage-type window") << "FMLart" << QStringList{"lalist", "list1", "OK", "AUSST"};
    QTest::newRow("progress window") << "kwpexport" << QStringList{"OK"};
    QTest::newRow("About") << "frmAbout"
                           << QStringList{"cmdOK", "cmdSysInfo", "ctHyperLink1", "ctHyperLink2"};
}

void KeyboardTest::tabMovesBetweenControls() {
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    const std::unique_ptr<QWidget> shown = build(window);
    shown->show();
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown.get()));
    auto *first = shown->findChild<QWidget *>(order.first());
    QVERIFY(first);
    first->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int i = 0; i <= order.size(); ++i) {
        QWidget *focus = QApplication::focusWidget();
        while (focus && !order.contains(focus->objectName()))
            focus = focus->parentWidget();
        visited.append(focus ? focus->objectName() : QStringLiteral("(none)"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, order + QStringList{order.first()});
}

void KeyboardTest::arrowsAndSpaceInClientList() {
    const std::unique_ptr<QWidget> shown = build(QStringLiteral("FMStart"));
    auto *mandant = shown->findChild<ListGrid *>(QStringLiteral("mandant"));
    shown->show();
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown.get()));
    mandant->setFocus(Qt::TabFocusReason);
    mandant->setSelectedRow(0);
    QTest::keyClick(mandant, Qt::Key_Down);
    QCOMPARE(mandant->selectedRow(), 1);
    QTest::keyClick(mandant, Qt::Key_Space);
    QVERIFY(!mandant->grid().isChecked(1, 3));
    QTest::keyClick(mandant, Qt::Key_Up);
    QTest::keyClick(mandant, Qt::Key_Space);
    QVERIFY(mandant->grid().isChecked(0, 3));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
