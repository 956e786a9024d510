#include "wagetypes/FMLart.h"

#include "wagetypes/Categories.h"
#include "wagetypes/DragIcon.h"
#include "wagetypes/WageTypeTexts.h"

#include "widgets/DialogFont.h"
#include "widgets/FittedLayout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

CategoryDragData::CategoryDragData(const QWidget *source)
    : source_(source) {}

void CategoryList::mousePressEvent(QMouseEvent *event) {
    ListGrid::mousePressEvent(event);
    const int row = rowAt(event->position().toPoint());
    if (row >= 0) {
        setSelectedRow(row);
        emit dragRequested();
    }
}

WageTypeGrid::WageTypeGrid(QWidget *parent)
    : ListGrid(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

bool WageTypeGrid::fromSource(const QDropEvent *event) const {
    const auto *data = qobject_cast<const CategoryDragData *>(event->mimeData());
    return source_ && data && data->sourceControl() == source_ &&
           source_->objectName() == QLatin1String("list1");
}

void WageTypeGrid::dragEnterEvent(QDragEnterEvent *event) {
    dragMoveEvent(event);
}

void WageTypeGrid::dragMoveEvent(QDragMoveEvent *event) {
    if (!fromSource(event)) {
        event->ignore();
        return;
    }
    const int row = rowAt(event->position().toPoint());
    if (row >= 0) {
        // Selecting scrolls the row's first visible cell into full view by default; then
        // another cell would lie under the pointer at the drop than the one aimed at.
        const bool scrolls = hasAutoScroll();
        setAutoScroll(false);
        setSelectedRow(row);
        setAutoScroll(scrolls);
    }
    event->acceptProposedAction();
}

void WageTypeGrid::dragLeaveEvent(QDragLeaveEvent *event) {
    event->accept();
}

void WageTypeGrid::dropEvent(QDropEvent *event) {
    if (!fromSource(event)) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at);
    const int column = columnAt(at);
    event->acceptProposedAction();
    // Below the last row and on the header nothing lies under the pointer.
    if (row >= 0 && column >= 1)
        emit cellDropped(row, column);
}

FMLart::FMLart(const QSqlDatabase &database, AssignmentChannel channel, UserMessages &messages,
               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , lalist(new WageTypeGrid(this))
    , list1(new CategoryList(this))
    , OK(new QPushButton(QStringLiteral("Speichern"), this))
    , AUSST(new QPushButton(QStringLiteral("Ausstieg"), this))
    , drag1(new QLabel(this))
    , database_(database)
    , channel_(std::move(channel))
    , messages_(messages)
    , sheet_(lalist->grid())
    , dragIcon_(categoryDragIcon()) {
    setObjectName(QStringLiteral("FMLart"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(WageTypeTexts::caption());
    // The grids' font may be wider than the window's: the layout follows the wider of the two,
    // as the grids' columns do.
    QFont gridFont = font();
    gridFont.setFamily(QStringLiteral("MS Sans Serif"));
    gridFont = installedFont(gridFont);
    lalist->setFont(gridFont);
    list1->setFont(gridFont);
    const FittedLayout windowLayout(this);
    const FittedLayout gridLayout(lalist);
    const FittedLayout &layout =
        gridLayout.scale() > windowLayout.scale() ? gridLayout : windowLayout;

    lalist->setObjectName(QStringLiteral("lalist"));
    lalist->addColumn(QStringLiteral("LA"), 40);
    lalist->addColumn(QStringLiteral("Bezeichnung"), 150);
    lalist->addColumn(QStringLiteral("Zuord. Anzahl"), 100);
    lalist->addColumn(QStringLiteral("Zuord. Betrag"), 100);
    lalist->setDragSource(list1);

    list1->setObjectName(QStringLiteral("list1"));
    list1->addColumn(QStringLiteral("Nr."), 30);
    list1->addColumn(QStringLiteral("Bezeichnung"), 150);

    // Scaled in proportion the layout may still fall a little short of what a font needs
    // (the scroll bar does not grow with it, rows follow the font's height): then the
    // wage-type grid widens, the category list grows to show its rows whole, and what lies
    // right of or below them moves along.
    QRect wageTypes = layout.twipsRect(240, 240, 6135, 4455);
    QRect categories = layout.twipsRect(7440, 240, 3615, 4455);
    const int wider = std::max(0, lalist->fittingSize(0, true).width() - wageTypes.width());
    wageTypes.setWidth(wageTypes.width() + wider);
    categories.translate(wider, 0);
    const QSize allCategories = list1->fittingSize(categoryCount + 1, false);
    categories.setWidth(std::max(categories.width(), allCategories.width()));
    const int taller = std::max(0, allCategories.height() - categories.height());
    wageTypes.setHeight(wageTypes.height() + taller);
    categories.setHeight(categories.height() + taller);
    lalist->setGeometry(wageTypes);
    list1->setGeometry(categories);
    setFixedSize(categories.right() + 1 + layout.twips(555), layout.twips(5610) + taller);

    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(layout.twipsRect(960, 5040, 1095, 375).translated(0, taller));
    AUSST->setObjectName(QStringLiteral("AUSST"));
    AUSST->setGeometry(layout.twipsRect(2400, 5040, 975, 375).translated(0, taller));

    drag1->setObjectName(QStringLiteral("drag1"));
    drag1->setGeometry(layout.twipsRect(9000, 4920, 495, 375).translated(wider, taller));
    drag1->setAlignment(Qt::AlignCenter);
    // The box is lower than the icon: it shows the icon whole, a little smaller.
    drag1->setPixmap(dragIcon_.scaled(drag1->size().boundedTo(dragIcon_.size()),
                                      Qt::KeepAspectRatio, Qt::SmoothTransformation));

    connect(OK, &QPushButton::clicked, this, &FMLart::OK_Click);
    connect(AUSST, &QPushButton::clicked, this, &FMLart::AUSST_Click);
    connect(list1, &CategoryList::dragRequested, this, &FMLart::list1_StartDrag);
    connect(lalist, &WageTypeGrid::cellDropped, this, &FMLart::lalist_CellDrop);
    lalist->installEventFilter(this);
    list1->installEventFilter(this);
}

bool FMLart::Form_Load() {
    fillCategoryList(list1->grid());
    return sheet_.load(database_, channel_, messages_);
}

void FMLart::OK_Click() {
    if (saving_)
        return;
    if (exportRunning_ && exportRunning_()) {
        messages_.tell(WageTypeTexts::notWhileExporting());
        return;
    }
    saving_ = true;
    OK->hide();
    // Once, so that the hidden button is repainted before the lines go out.
    QCoreApplication::processEvents();
    const bool saved = sheet_.save(channel_, messages_);
    saving_ = false;
    OK->show();
    if (saved)
        close();
}

void FMLart::AUSST_Click() {
    close();
}

void FMLart::closeEvent(QCloseEvent *event) {
    // While saving, the window goes only when the save is done.
    if (saving_) {
        event->ignore();
        return;
    }
    event->accept();
}

void FMLart::list1_StartDrag() {
    auto *drag = new QDrag(list1);
    drag->setMimeData(new CategoryDragData(list1));
    drag->setPixmap(dragIcon_);
    drag->setHotSpot(QPoint(dragIcon_.width() / 2, dragIcon_.height() / 2));
    drag->exec(Qt::CopyAction);
}

void FMLart::lalist_CellDrop(int row, int column) {
    if (column < WageTypeSheet::CountColumn)
        return;
    const int selected = list1->selectedRow();
    if (selected < 0)
        return;
    const ListGridModel &categories = list1->grid();
    sheet_.drop(row, column, categories.cellText(selected, 1), categories.cellText(selected, 2));
}

void FMLart::assignByKey(int column) {
    const int row = lalist->selectedRow();
    if (row >= 0)
        lalist_CellDrop(row, column);
}

bool FMLart::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && (watched == lalist || watched == list1)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier;
        if (plain && key->key() == Qt::Key_A) {
            assignByKey(WageTypeSheet::CountColumn);
            return true;
        }
        if (plain && key->key() == Qt::Key_B) {
            assignByKey(WageTypeSheet::AmountColumn);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
