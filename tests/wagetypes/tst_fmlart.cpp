#include "tests/export/ConnectedServer.h"
#include "tests/support/RecordedMessages.h"
#include "tests/wagetypes/WageTypeFixture.h"
#include "wagetypes/Categories.h"
#include "wagetypes/FMLart.h"
#include "wagetypes/WageTypeTexts.h"
#include "wagetypes/WageTypesController.h"
#include "widgets/FittedLayout.h"
#include "widgets/ListGrid.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <functional>
#include <memory>

namespace {
// The window's controls, by their names.
WageTypeGrid *lalist(const FMLart *window) {
    return window->findChild<WageTypeGrid *>(QStringLiteral("lalist"));
}
CategoryList *list1(const FMLart *window) {
    return window->findChild<CategoryList *>(QStringLiteral("list1"));
}
QLabel *drag1(const FMLart *window) {
    return window->findChild<QLabel *>(QStringLiteral("drag1"));
}
QPushButton *button(const FMLart *window, const char *name) {
    return window->findChild<QPushButton *>(QLatin1String(name));
}
} // namespace

// The window "Lohnarten Zuordnung" on the real widgets, offscreen, against the GT.M demo ERP
// server. A drag starts with a press on the category list; the offscreen platform runs no drag
// loop, so the test then hands the wage-type grid the drag-over and drop events the platform
// would send, carrying what the drag carries.
class FMLartTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layout();
    void everythingVisible_data();
    void everythingVisible();
    void drop_data();
    void drop();
    void hoverFollowsPointer();
    void dropLandsUnderPointer();
    void assignWithKeys();
    void dropsThatChangeNothing_data();
    void dropsThatChangeNothing();
    void saveWritesAndCloses();
    void leavingWritesNothing_data();
    void leavingWritesNothing();
    void failedSaveKeepsWindowAndEdits();
    void openedOnceReadAfresh();
    void notOpenedWhenLoadingFails();

private:
    FMLart *openWindow();
    // Presses on row categoryRow of list1, which starts a drag, then calls during.
    void dragCategory(int categoryRow, const std::function<void()> &during);
    // Drag-over and drop events on lalist's viewport; true when the grid accepted them.
    bool dragOver(int row, int column);
    bool dropOn(int row, int column);
    QPoint cellCentre(int row, int column) const;

    std::unique_ptr<ConnectedServer> connected_;
    std::unique_ptr<LohnartFile> file_;
    RecordedMessages *messages_ = nullptr;
    ErpGateway &gateway() { return connected_->session.gateway; }
    std::unique_ptr<QWidget> mainWindow_;
    std::unique_ptr<WageTypesController> controller_;
    std::unique_ptr<CategoryDragData> dragData_;
    QFont font_; // the application's, restored after a test with another
    std::unique_ptr<LohnartFile> otherFile_; // a test's own wage types, kept while its window is
};

void FMLartTest::initTestCase() {
    connected_ = std::make_unique<ConnectedServer>();
    QVERIFY2(connected_->ok(), qPrintable(connected_->error()));
    file_ = std::make_unique<LohnartFile>(
        LohnartFile::Rows{{"100", "Gehalt"}, {"101", "Lohn"}, {"102", "Prämie"}});
    QVERIFY2(file_->error().isEmpty(), qPrintable(file_->error()));
    font_ = QApplication::font();
}

void FMLartTest::init() {
    QVERIFY(setPercent(gateway()));
    QVERIFY(seedAssignment(connected_->fixture(), {{"100", "`12"}, {"101", "1`2`3"}}));
    messages_ = &connected_->messages;
    messages_->messages.clear();
    mainWindow_ = std::make_unique<QWidget>();
    controller_ = std::make_unique<WageTypesController>(
        mainWindow_.get(),
        WageTypesController::Dependencies{
            [this] { return file_->database(); }, programChannel(gateway()), messages_, {}});
}

void FMLartTest::cleanup() {
    controller_.reset();
    mainWindow_.reset();
    otherFile_.reset();
    QApplication::setFont(font_);
}

FMLart *FMLartTest::openWindow() {
    controller_->open();
    FMLart *window = controller_->window();
    if (window) {
        window->activateWindow();
        dragData_ = std::make_unique<CategoryDragData>(list1(window));
    }
    return window;
}

QPoint FMLartTest::cellCentre(int row, int column) const {
    const ListGrid *grid = lalist(controller_->window());
    return grid->visualRect(grid->model()->index(row, column - 1)).center();
}

void FMLartTest::dragCategory(int categoryRow, const std::function<void()> &during) {
    FMLart *window = controller_->window();
    const QRect cell = list1(window)->visualRect(list1(window)->model()->index(categoryRow, 1));
    QSignalSpy started(list1(window), &CategoryList::dragRequested);
    QTest::mousePress(list1(window)->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(started.count(), 1);
    QCOMPARE(list1(window)->selectedRow(), categoryRow);
    during();
    QTest::mouseRelease(list1(window)->viewport(), Qt::LeftButton, {}, cell.center());
}

bool FMLartTest::dragOver(int row, int column) {
    QWidget *viewport = lalist(controller_->window())->viewport();
    // The application hands moves and the drop to the widget that accepted the enter.
    QDragEnterEvent enter(cellCentre(row, column), Qt::CopyAction, dragData_.get(), Qt::LeftButton,
                          {});
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(cellCentre(row, column), Qt::CopyAction, dragData_.get(), Qt::LeftButton,
                        {});
    QCoreApplication::sendEvent(viewport, &move);
    return move.isAccepted();
}

bool FMLartTest::dropOn(int row, int column) {
    QWidget *viewport = lalist(controller_->window())->viewport();
    const QPoint at = row < 0 ? QPoint(10, viewport->height() - 3) : cellCentre(row, column);
    QDragEnterEvent enter(at, Qt::CopyAction, dragData_.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent dropped(at, Qt::CopyAction, dragData_.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &dropped);
    return dropped.isAccepted();
}

void FMLartTest::layout() {
    FMLart *window = openWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Lohnarten Zuordnung"));
    QCOMPARE(button(window, "OK")->text(), QStringLiteral("Speichern"));
    QCOMPARE(button(window, "AUSST")->text(), QStringLiteral("Ausstieg"));
    // Drawn in twips, widened with the font as the grids' columns are.
    const FittedLayout scaled(lalist(window));
    QCOMPARE(lalist(window)->pos(), scaled.twipsRect(240, 240, 0, 0).topLeft());
    QCOMPARE(button(window, "OK")->size(), scaled.twipsRect(0, 0, 1095, 375).size());
    const ListGridModel &categories = list1(window)->grid();
    const QStringList rows{"1;Basisbezug",
                           "2;Urlaubszuschuss",
                           "3;Weinachtsren.",
                           "4;Betrag 0%",
                           "5;Betrag 50%",
                           "6;Betrag 75%",
                           "7;Betrag 100%",
                           "8;Diäten",
                           "9;Km-Geld",
                           "10;Dientsgeberanteil",
                           "11;Stunden 0%",
                           "12;Stunden 50%",
                           "13;Stunden 75%",
                           "14;Stunden 100%",
                           "15;Prämien",
                           "16;Provisionen",
                           "17;Überst.Abf.Entsch.",
                           ";"};
    QCOMPARE(categories.rows(), rows.size());
    for (int row = 0; row < rows.size(); ++row)
        QCOMPARE(categories.rowText(row), rows[row]);
    QCOMPARE(categories.columnHeading(1), QStringLiteral("Nr."));
    QCOMPARE(categories.columnWidth(1), 30);
    QCOMPARE(categories.columnHeading(2), QStringLiteral("Bezeichnung"));
    QCOMPARE(categories.columnWidth(2), 150);
    const ListGridModel &wageTypes = lalist(window)->grid();
    const QStringList headings{"LA", "Bezeichnung", "Zuord. Anzahl", "Zuord. Betrag"};
    const QList<int> widths{40, 150, 100, 100};
    for (int column = 1; column <= 4; ++column) {
        QCOMPARE(wageTypes.columnHeading(column), headings[column - 1]);
        QCOMPARE(lalist(window)->columnWidth(column - 1),
                 FittedLayout(lalist(window)).designPixels(widths[column - 1]));
    }
    QCOMPARE(wageTypes.rowText(0), QStringLiteral("100;Gehalt;;Stunden 50%"));
    QCOMPARE(wageTypes.rowText(1), QStringLiteral("101;Lohn;Basisbezug;Urlaubszuschuss"));
    QCOMPARE(wageTypes.rowText(2), QStringLiteral("102;Prämie;;"));
    QVERIFY(!drag1(window)->pixmap().isNull());
}

void FMLartTest::everythingVisible_data() {
    QTest::addColumn<int>("pointSize");
    QTest::newRow("design font") << 8;
    QTest::newRow("larger font") << 10;
}

void FMLartTest::everythingVisible() {
    QFETCH(int, pointSize);
    QFont font = font_;
    font.setPointSize(pointSize);
    QApplication::setFont(font);
    FMLart *window = openWindow();
    QVERIFY(window);
    for (ListGrid *grid :
         {static_cast<ListGrid *>(lalist(window)), static_cast<ListGrid *>(list1(window))}) {
        const int last = grid->model()->columnCount() - 1;
        QVERIFY2(grid->columnViewportPosition(last) + grid->columnWidth(last) <=
                     grid->viewport()->width(),
                 qPrintable(grid->objectName()));
        QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
        QVERIFY(window->rect().contains(grid->geometry()));
    }
    QVERIFY(!lalist(window)->geometry().intersects(list1(window)->geometry()));
    const ListGrid *categories = list1(window);
    QVERIFY(categories->rowViewportPosition(blankCategoryRow) +
                categories->rowHeight(blankCategoryRow) <=
            categories->viewport()->height());
    const int margin = 2 * (categories->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int row = 0; row < categoryCount; ++row) {
        const QString name = categories->grid().cellText(row, 2);
        QVERIFY2(categories->fontMetrics().horizontalAdvance(name) + margin <=
                     categories->columnWidth(1),
                 qPrintable(name));
    }
    for (const QWidget *below :
         {static_cast<QWidget *>(button(window, "OK")),
          static_cast<QWidget *>(button(window, "AUSST")), static_cast<QWidget *>(drag1(window))}) {
        QVERIFY(window->rect().contains(below->geometry()));
        QVERIFY(below->y() > lalist(window)->geometry().bottom());
    }
}

void FMLartTest::drop_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("category"); // row of list1
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("value");
    QTest::newRow("count onto an amount") << 0 << 4 << 3 << "Betrag 50%"
                                          << "5`12";
    QTest::newRow("blank clears the amount") << 0 << 17 << 4 << ""
                                             << "`";
    QTest::newRow("third field dropped") << 1 << 6 << 3 << "Betrag 100%"
                                         << "7`2";
    QTest::newRow("amount onto none") << 2 << 16 << 4 << "Überst.Abf.Entsch."
                                      << "`17";
}

void FMLartTest::drop() {
    QFETCH(int, row);
    QFETCH(int, category);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, value);
    FMLart *window = openWindow();
    QVERIFY(window);
    dragCategory(category, [&] {
        QCOMPARE(list1(window)->selectedRow(), category);
        QVERIFY(dragOver(row, column));
        QVERIFY(dropOn(row, column));
    });
    QCOMPARE(lalist(window)->grid().cellText(row, column), cell);
    QCOMPARE(window->sheet().value(row), value);
}

void FMLartTest::hoverFollowsPointer() {
    FMLart *window = openWindow();
    QVERIFY(window);
    dragCategory(2, [&] {
        QVERIFY(dragOver(2, 1));
        QCOMPARE(lalist(window)->selectedRow(), 2);
        QVERIFY(dragOver(1, 4));
        QCOMPARE(lalist(window)->selectedRow(), 1);
    });
    QCOMPARE(lalist(window)->selectedRow(), 1);
}

void FMLartTest::dropLandsUnderPointer() {
    // A wider font and more wage types than the grid shows, scrolled down and to the right
    // (the user widened "Bezeichnung").
    QFont font = font_;
    font.setPointSize(10);
    QApplication::setFont(font);
    LohnartFile::Rows rows;
    for (int key = 100; key < 140; ++key)
        rows.append({QString::number(key), QStringLiteral("Lohnart %1").arg(key)});
    otherFile_ = std::make_unique<LohnartFile>(rows);
    std::swap(file_, otherFile_);
    FMLart *window = openWindow();
    std::swap(file_, otherFile_);
    QVERIFY(window);
    WageTypeGrid *grid = lalist(window);
    grid->setColumnWidth(1, grid->viewport()->width());
    QCoreApplication::processEvents();
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    grid->verticalScrollBar()->setValue(5);
    QCoreApplication::processEvents();
    const QList<QPoint> aims{{grid->viewport()->width() - 3, grid->viewport()->height() - 2},
                             {grid->viewport()->width() - 3, 3}};
    for (int i = 0; i < aims.size(); ++i) {
        const QPoint at = aims[i];
        const int row = grid->rowAt(at);
        const int column = grid->columnAt(at);
        QCOMPARE(column, int(WageTypeSheet::AmountColumn));
        const QPoint scrolled(grid->horizontalScrollBar()->value(),
                              grid->verticalScrollBar()->value());
        dragCategory(i, [&] {
            // The application hands moves and the drop to the widget that accepted the enter.
            QDragEnterEvent enter(at - QPoint(0, 20), Qt::CopyAction, dragData_.get(),
                                  Qt::LeftButton, {});
            QCoreApplication::sendEvent(grid->viewport(), &enter);
            for (int step = 20; step >= 0; step -= 5) {
                QDragMoveEvent move(at - QPoint(0, step), Qt::CopyAction, dragData_.get(),
                                    Qt::LeftButton, {});
                QCoreApplication::sendEvent(grid->viewport(), &move);
            }
            QDropEvent dropped(at, Qt::CopyAction, dragData_.get(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(grid->viewport(), &dropped);
        });
        QCOMPARE(QPoint(grid->horizontalScrollBar()->value(), grid->verticalScrollBar()->value()),
                 scrolled);
        QCOMPARE(window->sheet().value(row), QStringLiteral("`%1").arg(i + 1));
        QCOMPARE(grid->selectedRow(), row);
    }
    int changed = 0;
    for (int row = 0; row < window->sheet().rows(); ++row)
        changed += window->sheet().value(row) != QLatin1String("`") ? 1 : 0;
    QCOMPARE(changed, 2 + 2); // the two drops, the two seeded wage types 100 and 101
}

void FMLartTest::assignWithKeys() {
    FMLart *window = openWindow();
    QVERIFY(window);
    list1(window)->setSelectedRow(0);
    QTest::keyClick(list1(window), Qt::Key_Down);
    lalist(window)->setSelectedRow(2);
    QTest::keyClick(list1(window), Qt::Key_A);
    QTest::keyClick(lalist(window), Qt::Key_Up);
    QTest::keyClick(lalist(window), Qt::Key_B);
    QCOMPARE(window->sheet().value(2), QStringLiteral("2`"));
    QCOMPARE(lalist(window)->grid().cellText(2, 3), QStringLiteral("Urlaubszuschuss"));
    QCOMPARE(window->sheet().value(1), QStringLiteral("1`2"));
    QCOMPARE(lalist(window)->grid().cellText(1, 4), QStringLiteral("Urlaubszuschuss"));
}

void FMLartTest::dropsThatChangeNothing_data() {
    QTest::addColumn<int>("row"); // -1: below the last row
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("foreign"); // dragged from another window's "list1"
    QTest::newRow("on LA") << 1 << 1 << false;
    QTest::newRow("on Bezeichnung") << 1 << 2 << false;
    QTest::newRow("below the last row") << -1 << 3 << false;
    QTest::newRow("another source") << 1 << 3 << true;
}

void FMLartTest::dropsThatChangeNothing() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, foreign);
    FMLart *window = openWindow();
    QVERIFY(window);
    const QStringList before{lalist(window)->grid().rowText(1), window->sheet().value(1)};
    if (foreign) {
        ListGrid other;
        other.setObjectName(QStringLiteral("list1"));
        dragData_ = std::make_unique<CategoryDragData>(&other);
        list1(window)->setSelectedRow(6);
        QVERIFY(!dragOver(row, column));
        QVERIFY(!dropOn(row, column));
    } else {
        dragCategory(6, [&] { dropOn(row, column); });
    }
    QCOMPARE(QStringList({lalist(window)->grid().rowText(1), window->sheet().value(1)}), before);
}

void FMLartTest::saveWritesAndCloses() {
    FMLart *window = openWindow();
    QVERIFY(window);
    dragCategory(17, [&] {
        dropOn(1, 3);
        dropOn(1, 4);
    });
    dragCategory(8, [&] { dropOn(2, 3); });
    QTest::mouseClick(button(window, "OK"), Qt::LeftButton);
    QTRY_VERIFY(!controller_->window());
    QCOMPARE(storedAssignment(connected_->fixture()),
             QByteArray("^PERSP(1,20,100)=`12|^PERSP(1,20,102)=9`|"));
    QVERIFY(messages_->messages.isEmpty());
}

void FMLartTest::leavingWritesNothing_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Ausstieg") << false;
    QTest::newRow("close box") << true;
}

void FMLartTest::leavingWritesNothing() {
    QFETCH(bool, closeBox);
    FMLart *window = openWindow();
    QVERIFY(window);
    dragCategory(3, [&] { dropOn(0, 3); });
    const QByteArray before = storedAssignment(connected_->fixture());
    if (closeBox)
        window->close();
    else
        QTest::mouseClick(button(window, "AUSST"), Qt::LeftButton);
    QTRY_VERIFY(!controller_->window());
    QCOMPARE(storedAssignment(connected_->fixture()), before);
}

void FMLartTest::failedSaveKeepsWindowAndEdits() {
    FMLart *window = openWindow();
    QVERIFY(window);
    dragCategory(4, [&] { dropOn(1, 4); });
    bool ok = false;
    connected_->fixture().evaluate("S P0=$ZTRIGGER(\"ITEM\",\"+^PERSP(1,20,101) -commands=SET "
                                   "-xecute=\"\"S $ECODE=\"\"\"\",U1,\"\"\"\"\"\" \")",
                                   &ok);
    QVERIFY(ok);
    QTest::mouseClick(button(window, "OK"), Qt::LeftButton);
    connected_->fixture().evaluate("S P0=$ZTRIGGER(\"ITEM\",\"-*\")", &ok);
    QCOMPARE(controller_->window(), window);
    QVERIFY(window->isVisible());
    QVERIFY(button(window, "OK")->isVisible());
    QCOMPARE(window->sheet().value(1), QStringLiteral("1`5"));
    QCOMPARE(messages_->messages.last().text, WageTypeTexts::writeFailed(QStringLiteral("101"), 1));
    QCOMPARE(storedAssignment(connected_->fixture()),
             QByteArray("^PERSP(1,20,100)=`12|^PERSP(1,20,101)=1`2`3|"));
}

void FMLartTest::openedOnceReadAfresh() {
    FMLart *first = openWindow();
    QVERIFY(first);
    dragCategory(0, [&] { dropOn(2, 3); });
    // Asked again while open: the same window, edits kept, nothing read.
    QCOMPARE(openWindow(), first);
    QCOMPARE(first->sheet().value(2), QStringLiteral("1`"));
    QTest::mouseClick(button(first, "OK"), Qt::LeftButton);
    QTRY_VERIFY(!controller_->window());
    QVERIFY(seedAssignment(connected_->fixture(),
                           {{"100", "`12"}, {"101", "1`2`3"}, {"102", "1`"}, {"103", "4`"}}));
    FMLart *second = openWindow();
    QVERIFY(second);
    QCOMPARE(lalist(second)->grid().rowText(2), QStringLiteral("102;Prämie;Basisbezug;"));
}

void FMLartTest::notOpenedWhenLoadingFails() {
    QVERIFY(gateway().ServerExecuteChecked(QStringLiteral("K %")).ok);
    QVERIFY(!openWindow());
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, WageTypeTexts::percentNotSet());
}

QTEST_MAIN(FMLartTest)
#include "tst_fmlart.moc"
