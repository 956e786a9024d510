#include "core/ListGridModel.h"
#include "widgets/ListGrid.h"

#include <QSignalSpy>
#include <QTest>

class TestListGrid : public QObject {
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void setCell_data();
    void setCell();
    void clearKeepsColumns();
    void hiddenTextAndMarks();
    void clickTicksTheCheckColumnOnly();
};

namespace {
void threeColumns(ListGridModel &grid) {
    grid.addColumn("A", 30);
    grid.addColumn("B", 30, ListGridModel::Right);
    grid.addColumn("C", 30, ListGridModel::Centred);
}
} // namespace

void TestListGrid::cells_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("rowIndex");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::newRow("first") << "a;b;c" << 0 << 1 << "a";
    QTest::newRow("last") << "a;b;c" << 0 << 3 << "c";
    QTest::newRow("fewer cells") << "a" << 0 << 2 << "";
    QTest::newRow("empty middle") << "a;;c" << 0 << 2 << "";
    QTest::newRow("row -1") << "a;b;c" << -1 << 1 << "";
    QTest::newRow("row past end") << "a;b;c" << 1 << 1 << "";
    QTest::newRow("column 0") << "a;b;c" << 0 << 0 << "";
    QTest::newRow("more cells than columns") << "a;b;c;d" << 0 << 4 << "d";
}

void TestListGrid::cells() {
    QFETCH(QString, row);
    QFETCH(int, rowIndex);
    QFETCH(int, column);
    QFETCH(QString, cell);
    ListGridModel grid;
    threeColumns(grid);
    grid.addRow(row);
    QCOMPARE(grid.cellText(rowIndex, column), cell);
    QCOMPARE(grid.hiddenText(rowIndex), QString());
}

void TestListGrid::setCell_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("after");
    QTest::newRow("middle") << "a;b;c" << 2 << "a;X;c";
    QTest::newRow("missing cells are added") << "a" << 3 << "a;;X";
    QTest::newRow("first") << "a;b" << 1 << "X;b";
}

void TestListGrid::setCell() {
    QFETCH(QString, row);
    QFETCH(int, column);
    QFETCH(QString, after);
    ListGridModel grid;
    threeColumns(grid);
    grid.addRow(row);
    grid.setCellText(0, column, "X");
    QCOMPARE(grid.rowText(0), after);
}

void TestListGrid::clearKeepsColumns() {
    ListGridModel grid;
    threeColumns(grid);
    grid.addColumn("Svnr", 120);
    grid.addRow("1;2;3;4");
    grid.setRows({"x", "y"});
    QCOMPARE(grid.rows(), 2);
    grid.clear();
    QCOMPARE(grid.rows(), 0);
    QCOMPARE(grid.columnCountOfGrid(), 4);
    QCOMPARE(grid.columnHeading(4), QStringLiteral("Svnr"));
    QCOMPARE(grid.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Svnr"));
    QCOMPARE(grid.data(grid.index(0, 0)), QVariant());
}

void TestListGrid::hiddenTextAndMarks() {
    ListGridModel grid;
    threeColumns(grid);
    grid.addRow("a");
    grid.addRow("b");
    QSignalSpy changed(&grid, &ListGridModel::markChanged);
    grid.setHiddenText(1, "key");
    grid.setChecked(1, 3, true);
    grid.setChecked(1, 3, true); // no change, no notification
    grid.addRow("c");            // rows added later start without text or mark
    QCOMPARE(grid.hiddenText(1), QStringLiteral("key"));
    QCOMPARE(grid.hiddenText(2), QString());
    QCOMPARE(grid.hiddenText(-1), QString());
    QVERIFY(grid.isChecked(1, 3));
    QVERIFY(!grid.isChecked(2, 3));
    QVERIFY(!grid.isChecked(1, 2));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first(), (QVariantList{1, 3, true}));
    QCOMPARE(grid.data(grid.index(0, 1), Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
}

void TestListGrid::clickTicksTheCheckColumnOnly() {
    ListGrid view;
    view.addColumn("Nr.", 30, ListGridModel::Centred);
    view.addColumn("Mandant", 250);
    view.addColumn(QString(), 25, ListGridModel::Centred);
    view.grid().setCheckColumn(3);
    view.grid().addRow("3;Alpha");
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy changed(&view.grid(), &ListGridModel::markChanged);
    const QRect markCell = view.visualRect(view.grid().index(0, 2));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, markCell.center());
    QVERIFY(view.grid().isChecked(0, 3));
    QCOMPARE(view.columnAt(markCell.center()), 3);
    QCOMPARE(view.rowAt(markCell.center()), 0);
    const QRect nameCell = view.visualRect(view.grid().index(0, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, nameCell.center());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(view.selectedRow(), 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, markCell.center());
    QVERIFY(!view.grid().isChecked(0, 3));
    QCOMPARE(view.rowAt(QPoint(5, 190)), -1);
    QTest::keyClick(view.viewport(), Qt::Key_Space);
    QVERIFY(view.grid().isChecked(0, 3));
    QCOMPARE(changed.size(), 3);
}

QTEST_MAIN(TestListGrid)
#include "tst_listgrid.moc"
