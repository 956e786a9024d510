#pragma once

#include "wagetypes/WageTypeSheet.h"
#include "widgets/ListGrid.h"

#include <QMimeData>
#include <QPointer>
#include <QSqlDatabase>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// What a drag of a category carries: no data of its own (the drop reads the category list's
// selection), only the control it came from.
class CategoryDragData : public QMimeData {
    Q_OBJECT
public:
    explicit CategoryDragData(const QWidget *source);
    const QWidget *sourceControl() const { return source_; }

private:
    QPointer<const QWidget> source_;
};

// The category list list1: a mouse press selects the row under the pointer, as a list does,
// and starts a drag of it; the drop reads that selection.
class CategoryList : public ListGrid {
    Q_OBJECT
public:
    using ListGrid::ListGrid;

signals:
    void dragRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The wage-type grid lalist: takes drags only from the category list list1 of its own window.
// While such a drag is over it, the row under the pointer is selected; a drop reports the
// row (from 0) and column (from 1) under the pointer.
class WageTypeGrid : public ListGrid {
    Q_OBJECT
public:
    explicit WageTypeGrid(QWidget *parent = nullptr);
    void setDragSource(const QWidget *source) { source_ = source; }

signals:
    void cellDropped(int row, int column);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool fromSource(const QDropEvent *event) const;
    const QWidget *source_ = nullptr;
};

// The window "Lohnarten Zuordnung": the wage types with their count and amount categories,
// the category list to drag from, "Speichern" and "Ausstieg". It is modeless and deletes
// itself when it closes; every opening builds a new one that reads afresh.
//
// Without a mouse: with a category selected in list1 and a wage type in lalist, the key A
// assigns the category to the wage type's count ("Zuord. Anzahl"), B to its amount
// ("Zuord. Betrag"), in either grid, as a drop on that cell would.
class FMLart : public QWidget {
    Q_OBJECT
public:
    FMLart(const QSqlDatabase &database, AssignmentChannel channel, UserMessages &messages,
           QWidget *parent = nullptr);

    // Fills the category list and loads the wage types and their assignment. False when the
    // window must not be shown; the user was told why.
    bool Form_Load();

    WageTypeSheet &sheet() { return sheet_; }

    // Whether an export is running on the same server connection. Saving is then refused: the
    // server may file the lines it takes by this assignment, and one batch must meet one.
    void setExportRunning(std::function<bool()> running) { exportRunning_ = std::move(running); }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WageTypeGrid *lalist;
    CategoryList *list1;
    QPushButton *OK;    // "Speichern"
    QPushButton *AUSST; // "Ausstieg"
    QLabel *drag1;      // the drag icon

    void OK_Click();
    void AUSST_Click();
    void list1_StartDrag();
    void lalist_CellDrop(int row, int column);
    void assignByKey(int column);

    QSqlDatabase database_;
    AssignmentChannel channel_;
    UserMessages &messages_;
    WageTypeSheet sheet_;
    QPixmap dragIcon_;
    std::function<bool()> exportRunning_;
    bool saving_ = false;
};
