#include "core/ListGridModel.h"

namespace {
// The cell's place in the row text: [start, end) of the column-th piece (1-based).
bool findCell(QStringView text, int column, qsizetype *start, qsizetype *end) {
    if (column < 1)
        return false;
    qsizetype from = 0;
    for (int c = 1; c < column; ++c) {
        const qsizetype sep = text.indexOf(QLatin1Char(';'), from);
        if (sep < 0)
            return false;
        from = sep + 1;
    }
    const qsizetype sep = text.indexOf(QLatin1Char(';'), from);
    *start = from;
    *end = sep < 0 ? text.size() : sep;
    return true;
}
} // namespace

ListGridModel::ListGridModel(QObject *parent)
    : QAbstractTableModel(parent) {}

void ListGridModel::addColumn(const QString &heading, int width, int alignment) {
    const int at = int(columns.size());
    beginInsertColumns(QModelIndex(), at, at);
    columns.append({heading, width, alignment});
    endInsertColumns();
}

QString ListGridModel::columnHeading(int column) const {
    return column >= 1 && column <= columns.size() ? columns.at(column - 1).heading : QString();
}

int ListGridModel::columnWidth(int column) const {
    return column >= 1 && column <= columns.size() ? columns.at(column - 1).width : 0;
}

int ListGridModel::columnAlignment(int column) const {
    return column >= 1 && column <= columns.size() ? columns.at(column - 1).alignment : Left;
}

void ListGridModel::setColumnAlignment(int column, int alignment) {
    if (column < 1 || column > columns.size())
        return;
    columns[column - 1].alignment = alignment;
    if (!texts.isEmpty())
        emit dataChanged(index(0, column - 1), index(int(texts.size()) - 1, column - 1),
                         {Qt::TextAlignmentRole});
}

void ListGridModel::clear() {
    setRows({});
}

void ListGridModel::addRow(const QString &text) {
    const int at = int(texts.size());
    beginInsertRows(QModelIndex(), at, at);
    texts.append(text);
    if (!hidden.isEmpty())
        hidden.append(QString());
    if (!checkBits.isEmpty())
        checkBits.append(0);
    endInsertRows();
}

void ListGridModel::setRows(QList<QString> rows) {
    beginResetModel();
    texts = std::move(rows);
    hidden.clear();
    checkBits.clear();
    endResetModel();
}

QString ListGridModel::cellText(int row, int column) const {
    if (!validRow(row))
        return {};
    const QString &text = texts.at(row);
    qsizetype start = 0;
    qsizetype end = 0;
    if (!findCell(text, column, &start, &end))
        return {};
    return text.mid(start, end - start);
}

void ListGridModel::setCellText(int row, int column, const QString &cell) {
    if (!validRow(row) || column < 1)
        return;
    QString &text = texts[row];
    qsizetype start = 0;
    qsizetype end = 0;
    while (!findCell(text, column, &start, &end))
        text += QLatin1Char(';');
    text.replace(start, end - start, cell);
    emit dataChanged(index(row, 0), index(row, qMax(0, int(columns.size()) - 1)));
}

QString ListGridModel::rowText(int row) const {
    return validRow(row) ? texts.at(row) : QString();
}

QString ListGridModel::hiddenText(int row) const {
    return validRow(row) && row < hidden.size() ? hidden.at(row) : QString();
}

void ListGridModel::setHiddenText(int row, const QString &text) {
    if (!validRow(row))
        return;
    if (hidden.isEmpty())
        hidden.resize(texts.size());
    hidden[row] = text;
}

bool ListGridModel::isChecked(int row, int column) const {
    if (!validRow(row) || column < 1 || column > 63 || row >= checkBits.size())
        return false;
    return checkBits.at(row) & (quint64(1) << column);
}

void ListGridModel::setChecked(int row, int column, bool checked) {
    if (!validRow(row) || column < 1 || column > 63 || isChecked(row, column) == checked)
        return;
    if (checkBits.isEmpty())
        checkBits.resize(texts.size());
    checkBits[row] ^= quint64(1) << column;
    const QModelIndex cell = index(row, column - 1);
    emit dataChanged(cell, cell, {Qt::CheckStateRole, Qt::DisplayRole});
    emit markChanged(row, column, checked);
}

void ListGridModel::setCheckColumn(int column) {
    checkableColumn = column;
}

int ListGridModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(texts.size());
}

int ListGridModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(columns.size());
}

QVariant ListGridModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        if (column == checkableColumn)
            return isChecked(index.row(), column) ? QStringLiteral("\u2714") : QString();
        return cellText(index.row(), column);
    case Qt::TextAlignmentRole: {
        const int a = columnAlignment(column);
        const Qt::Alignment h = a == Right     ? Qt::AlignRight
                                : a == Centred ? Qt::AlignHCenter
                                               : Qt::AlignLeft;
        return int(h | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant ListGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return columnHeading(section + 1);
}
