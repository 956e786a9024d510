#include "widgets/ListGrid.h"

#include "widgets/FittedLayout.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

ListGrid::ListGrid(QWidget *parent)
    : QTableView(parent)
    , rowsModel(new ListGridModel(this)) {
    setModel(rowsModel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(true);
    // Tab leaves the grid for the window's next control; the arrows move within it.
    setTabKeyNavigation(false);
    connect(this, &QAbstractItemView::clicked, this, &ListGrid::toggleMark);
}

void ListGrid::addColumn(const QString &heading, int width, int alignment) {
    rowsModel->addColumn(heading, width, alignment);
    setColumnWidth(rowsModel->columnCountOfGrid() - 1, FittedLayout(this).designPixels(width));
}

int ListGrid::selectedRow() const {
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex())
               ? current.row()
               : -1;
}

void ListGrid::setSelectedRow(int row) {
    if (row < 0 || row >= rowsModel->rows()) {
        clearSelection();
        return;
    }
    selectRow(row);
}

int ListGrid::rowAt(const QPoint &viewportPoint) const {
    return indexAt(viewportPoint).row();
}

int ListGrid::columnAt(const QPoint &viewportPoint) const {
    const QModelIndex index = indexAt(viewportPoint);
    return index.isValid() ? index.column() + 1 : 0;
}

QSize ListGrid::fittingSize(int rows, bool verticalScrollBar) const {
    int width = 2 * frameWidth();
    for (int column = 0; column < rowsModel->columnCountOfGrid(); ++column)
        width += columnWidth(column);
    if (verticalScrollBar)
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int height = 2 * frameWidth() + horizontalHeader()->sizeHint().height() +
                       rows * verticalHeader()->defaultSectionSize();
    return {width, height};
}

void ListGrid::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange)
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QTableView::changeEvent(event);
}

void ListGrid::toggleMark(const QModelIndex &index) {
    const int column = index.column() + 1;
    if (!index.isValid() || column != rowsModel->checkColumn())
        return;
    rowsModel->setChecked(index.row(), column, !rowsModel->isChecked(index.row(), column));
}

void ListGrid::keyPressEvent(QKeyEvent *event) {
    const int column = rowsModel->checkColumn();
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Space && column > 0 && current.isValid()) {
        toggleMark(rowsModel->index(current.row(), column - 1));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
