#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

// The rows of a list grid: rows are counted from 0, columns from 1; a row is added as one text
// in which ";" separates the cells. Each row is kept as that one text and cut into cells only
// when a cell is asked for, so a large preview costs little more than its text.
class ListGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Column alignment values of the grid's interface.
    enum Alignment { Left = 0, Right = 1, Centred = 2 };

    explicit ListGridModel(QObject *parent = nullptr);

    // Columns.
    void addColumn(const QString &heading, int width, int alignment = Left);
    int columnCountOfGrid() const { return int(columns.size()); }
    QString columnHeading(int column) const;
    int columnWidth(int column) const;
    int columnAlignment(int column) const;
    void setColumnAlignment(int column, int alignment);

    // Rows.
    void clear();
    void addRow(const QString &text);
    // Replaces all rows at once (one model reset), for large fills.
    void setRows(QList<QString> texts);
    int rows() const { return int(texts.size()); }
    // Empty text for a row or column that does not exist.
    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString &text);
    QString rowText(int row) const;
    QString hiddenText(int row) const;
    void setHiddenText(int row, const QString &text);

    // Check marks, one per cell.
    bool isChecked(int row, int column) const;
    void setChecked(int row, int column, bool checked);
    // Columns whose cells the user ticks by clicking them.
    void setCheckColumn(int column);
    int checkColumn() const { return checkableColumn; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // A check mark changed (row, column, now checked): the grid's change notification.
    void markChanged(int row, int column, bool checked);

private:
    struct Column {
        QString heading;
        int width = 0;
        int alignment = Left;
    };
    QList<Column> columns;
    QList<QString> texts;
    QList<QString> hidden;    // empty until a hidden text is set
    QList<quint64> checkBits; // one bit per column (1..63), empty until a mark is set
    int checkableColumn = 0;
    bool validRow(int row) const { return row >= 0 && row < texts.size(); }
};
