#include "wagetypes/WageTypeSheet.h"

#include "core/Conversions.h"
#include "core/ListGridModel.h"
#include "core/PayrollQuery.h"
#include "gateway/ErpGateway.h"
#include "gateway/GetPiece.h"
#include "wagetypes/Categories.h"
#include "wagetypes/WageTypeTexts.h"

#include <QSet>

namespace {
const QChar backQuote(u'`');
const QString noAssignment = QStringLiteral("`");

// A cell of a row text must not carry the grid's separator.
QString cellOf(const QString &text) {
    QString cell = text;
    return cell.replace(QLatin1Char(';'), QLatin1Char(','));
}

QString failureDetails(const ServerAnswer &answer) {
    return answer.details.isEmpty() ? answer.error
                                    : answer.error + QLatin1Char(' ') + answer.details;
}
} // namespace

AssignmentChannel gatewayChannel(ErpGateway &gateway) {
    return {[&gateway](const QString &line) { return gateway.ServerExecuteChecked(line); },
            [&gateway] { return gateway.logon.Connected; },
            [&gateway](const QString &line) { return lineProblem(gateway.settings, line); }};
}

WageTypeSheet::WageTypeSheet(ListGridModel &lalist)
    : lalist_(lalist) {}

QString WageTypeSheet::rowText(const Row &row, const QString &value) const {
    const auto field = [&](int n, quint8 unreadBit) {
        return (row.unread & unreadBit) ? WageTypeTexts::unreadCell()
                                        : categoryNameOf(GetPiece(value, backQuote, n));
    };
    return cellOf(row.key) + QLatin1Char(';') + cellOf(row.name) + QLatin1Char(';') +
           field(1, CountUnread) + QLatin1Char(';') + field(2, AmountUnread);
}

bool WageTypeSheet::readWageTypes(const QSqlDatabase &db, UserMessages &messages) {
    rows_.clear();
    lalist_.clear();
    PayrollQuery query(db);
    if (!query.exec(QStringLiteral("select * from Lohnart order by LA_ID"))) {
        messages.show(UserMessage{QString(), WageTypeTexts::queryFailed(), query.error()});
        return false;
    }
    ValueConverter general;
    QList<Row> rows;
    while (query.next())
        rows.append({general.general(query.value(0)),
                     query.columnCount() > 1 ? general.general(query.value(1)) : QString(), 0});
    if (!query.error().isEmpty()) {
        messages.show(UserMessage{QString(), WageTypeTexts::queryFailed(), query.error()});
        return false;
    }
    rows_ = std::move(rows);
    return true;
}

void WageTypeSheet::fillGrid(const QList<QString> &values) {
    QList<QString> texts;
    texts.reserve(rows_.size());
    for (qsizetype i = 0; i < rows_.size(); ++i)
        texts.append(rowText(rows_.at(i), values.at(i)));
    lalist_.setRows(std::move(texts));
    for (int i = 0; i < rows(); ++i)
        lalist_.setHiddenText(i, values.at(i));
}

bool WageTypeSheet::loadWageTypes(const QSqlDatabase &db, UserMessages &messages) {
    if (!readWageTypes(db, messages))
        return false;
    fillGrid(QList<QString>(rows_.size(), noAssignment));
    return true;
}

bool WageTypeSheet::load(const QSqlDatabase &db, const AssignmentChannel &channel,
                         UserMessages &messages) {
    rows_.clear();
    lalist_.clear();
    const ServerAnswer check = channel.execute(AssignmentLines::percentCheck());
    if (!check.ok) {
        messages.show(
            UserMessage{QString(), WageTypeTexts::percentUnanswered(), failureDetails(check)});
        return false;
    }
    if (check.answer != QLatin1String("1")) {
        messages.show(UserMessage{QString(), WageTypeTexts::percentNotSet(), QString()});
        return false;
    }
    if (!readWageTypes(db, messages))
        return false;

    QList<QString> values;
    values.reserve(rows_.size());
    QStringList unread;
    for (Row &row : rows_) {
        QString fields[2];
        for (int f = 0; f < 2; ++f) {
            const ServerAnswer answer = channel.execute(AssignmentLines::read(row.key, f + 1));
            if (answer.ok) {
                fields[f] = answer.answer;
                continue;
            }
            if (channel.isOpen && !channel.isOpen()) {
                rows_.clear();
                messages.show(UserMessage{QString(), WageTypeTexts::connectionLost(),
                                          failureDetails(answer)});
                return false;
            }
            row.unread |= f == 0 ? CountUnread : AmountUnread;
        }
        if (row.unread)
            unread.append(row.key);
        values.append(fields[0] + backQuote + fields[1]);
    }
    fillGrid(values);
    if (!unread.isEmpty())
        messages.show(UserMessage{QString(), WageTypeTexts::unread(unread), QString()});
    return true;
}

QString WageTypeSheet::key(int row) const {
    return row >= 0 && row < rows() ? rows_.at(row).key : QString();
}

QString WageTypeSheet::value(int row) const {
    return lalist_.hiddenText(row);
}

int WageTypeSheet::rowOfKey(const QString &key) const {
    for (int i = 0; i < rows(); ++i)
        if (rows_.at(i).key == key)
            return i;
    return -1;
}

QStringList WageTypeSheet::unreadKeys() const {
    QStringList keys;
    for (const Row &row : rows_)
        if (row.unread)
            keys.append(row.key);
    return keys;
}

QString WageTypeSheet::listingLine(int row) const {
    return lalist_.rowText(row) + QLatin1Char(';') + value(row);
}

void WageTypeSheet::drop(int row, int column, const QString &number, const QString &name) {
    if (row < 0 || row >= rows() || (column != CountColumn && column != AmountColumn))
        return;
    lalist_.setCellText(row, column, name);
    const QString old = value(row);
    const QString count = GetPiece(old, backQuote, 1);
    const QString amount = GetPiece(old, backQuote, 2);
    if (column == CountColumn) {
        lalist_.setHiddenText(row, number + backQuote + amount);
        rows_[row].unread &= ~CountUnread;
    } else {
        lalist_.setHiddenText(row, count + backQuote + number);
        rows_[row].unread &= ~AmountUnread;
    }
}

void WageTypeSheet::setValue(int row, const QString &value) {
    if (row < 0 || row >= rows())
        return;
    rows_[row].unread = 0;
    lalist_.setCellText(row, CountColumn, categoryNameOf(GetPiece(value, backQuote, 1)));
    lalist_.setCellText(row, AmountColumn, categoryNameOf(GetPiece(value, backQuote, 2)));
    lalist_.setHiddenText(row, value);
}

bool WageTypeSheet::save(const AssignmentChannel &channel, UserMessages &messages) {
    // Every node to keep is written before anything is removed, so that a failure at any
    // line leaves each wage type with its old or its new assignment.
    if (channel.lineProblem)
        for (int i = 0; i < rows(); ++i) {
            const QString assignment = value(i);
            if (rows_.at(i).unread || assignment == noAssignment)
                continue;
            const QString problem =
                channel.lineProblem(AssignmentLines::write(rows_.at(i).key, assignment));
            if (!problem.isEmpty()) {
                messages.show(UserMessage{
                    QString(), WageTypeTexts::valueCannotTravel(rows_.at(i).key, problem),
                    QString()});
                return false;
            }
        }
    QSet<QString> keep;
    QSet<QString> written;
    int writtenCount = 0;
    for (int i = 0; i < rows(); ++i) {
        const Row &row = rows_.at(i);
        if (row.unread) {
            keep.insert(row.key);
            continue;
        }
        const QString assignment = value(i);
        if (assignment == noAssignment)
            continue;
        const ServerAnswer answer = channel.execute(AssignmentLines::write(row.key, assignment));
        if (!answer.ok) {
            messages.show(UserMessage{QString(), WageTypeTexts::writeFailed(row.key, writtenCount),
                                      failureDetails(answer)});
            return false;
        }
        keep.insert(row.key);
        written.insert(row.key);
        ++writtenCount;
    }
    return removeUnwanted(channel, messages, keep, written);
}

bool WageTypeSheet::listStored(const AssignmentChannel &channel,
                               QList<AssignmentLines::Node> *nodes, bool *topHasValue,
                               QString *error) {
    nodes->clear();
    QString after;
    for (bool first = true;; first = false) {
        const ServerAnswer answer = channel.execute(AssignmentLines::listNodes(after, first));
        if (!answer.ok) {
            *error = failureDetails(answer);
            return false;
        }
        const AssignmentLines::NodeBatch batch = AssignmentLines::NodeBatch::parse(answer.answer);
        if (!batch.ok) {
            *error = WageTypeTexts::badListing();
            return false;
        }
        if (first && topHasValue)
            *topHasValue = batch.topHasValue;
        nodes->append(batch.nodes);
        if (!batch.more)
            return true;
        after = batch.nodes.last().key;
    }
}

bool WageTypeSheet::removeUnwanted(const AssignmentChannel &channel, UserMessages &messages,
                                   const QSet<QString> &keep, const QSet<QString> &written) {
    QList<AssignmentLines::Node> nodes;
    bool topHasValue = false;
    QString error;
    if (!listStored(channel, &nodes, &topHasValue, &error)) {
        messages.show(UserMessage{QString(), WageTypeTexts::cleanupFailed(), error});
        return false;
    }
    QStringList unwanted;
    QStringList prune;
    for (const AssignmentLines::Node &node : nodes) {
        if (!keep.contains(node.key))
            unwanted.append(node.key);
        else if (node.hasChildren && written.contains(node.key))
            prune.append(AssignmentLines::pruneChildren(node.key));
    }
    QStringList lines = AssignmentLines::killKeys(unwanted) + prune;
    if (topHasValue)
        lines.append(AssignmentLines::clearTopValue());
    for (const QString &line : lines) {
        const ServerAnswer answer = channel.execute(line);
        if (!answer.ok) {
            messages.show(
                UserMessage{QString(), WageTypeTexts::cleanupFailed(), failureDetails(answer)});
            return false;
        }
    }
    return true;
}
