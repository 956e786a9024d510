#pragma once

#include "core/ListGridModel.h"

#include <QTableView>

// The list grid widget: a table over a ListGridModel with fixed column widths (pixels of the
// design, widened for a wider font than the design's, see FittedLayout), no row numbers, whole-row
// selection, and cells of the check column ticked by a click or by the space key. Tab moves on
// to the window's next control.
class ListGrid : public QTableView {
    Q_OBJECT
public:
    explicit ListGrid(QWidget *parent = nullptr);

    ListGridModel &grid() { return *rowsModel; }
    const ListGridModel &grid() const { return *rowsModel; }

    // Adds a column of a width in pixels of the design; the heading may be empty.
    void addColumn(const QString &heading, int width, int alignment = ListGridModel::Left);

    // The selected row, -1 when none.
    int selectedRow() const;
    void setSelectedRow(int row);

    // The row (from 0) and column (from 1) under a point of the viewport; -1 and 0 for none.
    int rowAt(const QPoint &viewportPoint) const;
    int columnAt(const QPoint &viewportPoint) const;

    // The outer size that shows every column and the given number of rows whole, with room
    // for a vertical scroll bar when asked.
    QSize fittingSize(int rows, bool verticalScrollBar) const;

protected:
    // Rows are as high as the grid's own font needs.
    void changeEvent(QEvent *event) override;
    // The space key ticks the current row's check cell, as a click does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    ListGridModel *rowsModel;
    void toggleMark(const QModelIndex &index);
};
