#include "export/ExportTotals.h"

namespace {
bool isWholeNumber(const QString &text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// Numbers by value (3 before 999 before 1000), anything else by its text, numbers first.
bool before(const QString &a, const QString &b) {
    const bool numberA = isWholeNumber(a);
    const bool numberB = isWholeNumber(b);
    if (numberA != numberB)
        return numberA;
    if (numberA && a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

void addValue(Decimal &sum, const QVariant &value) {
    if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
        return;
    sum += decimalValue(value); // invalid for a value that is no number, and stays invalid
}
} // namespace

bool ExportTotals::KeyOrder::operator()(const Key &a, const Key &b) const {
    if (a.client != b.client)
        return before(a.client, b.client);
    return before(a.wageType, b.wageType);
}

void ExportTotals::Sum::add(const Sum &other) {
    lines += other.lines;
    count += other.count;
    amount += other.amount;
}

ExportTotals::ExportTotals(const QLocale &locale)
    : converter_(locale) {}

void ExportTotals::clear() {
    entries_.clear();
}

void ExportTotals::add(const QVariant &client, const QVariant &wageType, const QVariant &count,
                       const QVariant &amount) {
    key_.client.resize(0);
    key_.wageType.resize(0);
    converter_.append(key_.client, client, NumberPattern::None);
    converter_.append(key_.wageType, wageType, NumberPattern::None);
    auto found = entries_.find(key_);
    if (found == entries_.end())
        found = entries_.emplace(key_, Sum{}).first;
    Sum &sum = found->second;
    ++sum.lines;
    addValue(sum.count, count);
    addValue(sum.amount, amount);
}

ExportTotals::Sum ExportTotals::total() const {
    Sum total;
    for (const auto &[key, sum] : entries_)
        total.add(sum);
    return total;
}

QString ExportTotals::text(const Decimal &sum) const {
    if (!sum.isValid())
        return QStringLiteral("ungültig");
    QString out;
    converter_.append(out, QVariant::fromValue(sum), NumberPattern::None);
    return out;
}
