#pragma once

#include "core/Conversions.h"
#include "core/Decimal.h"

#include <QLocale>
#include <QString>
#include <QVariant>

#include <map>
#include <utility>

// Control totals of the lines the ERP server took: per client and wage type ("L.Art.") the
// number of lines and the exact sums of "Anz." and "Betrag", and the grand total; the office
// holds them against the payroll system's wage-type journal. One entry per client and wage
// type, nothing per line. A null or empty value adds nothing; a value that is no number makes
// its sum invalid, so that no partial sum passes for the sum.
class ExportTotals {
public:
    struct Sum {
        qint64 lines = 0;
        Decimal count = Decimal::fromInteger(0);  // "Anz."
        Decimal amount = Decimal::fromInteger(0); // "Betrag"
        void add(const Sum &other);
    };
    // Client and wage type as their general texts; ordered as numbers where both are.
    struct Key {
        QString client;
        QString wageType;
    };
    struct KeyOrder {
        bool operator()(const Key &a, const Key &b) const;
    };
    using Entries = std::map<Key, Sum, KeyOrder>;

    explicit ExportTotals(const QLocale &locale = regionalLocale());

    void clear();
    void add(const QVariant &client, const QVariant &wageType, const QVariant &count,
             const QVariant &amount);

    const Entries &entries() const { return entries_; }
    Sum total() const;

    // A sum in the regional number format, all its digits, no grouping; "ungültig" for an
    // invalid one.
    QString text(const Decimal &sum) const;

private:
    mutable ValueConverter converter_; // remembers dates; no state that shows
    Entries entries_;
    Key key_; // reused from line to line: no allocation for a key already there
};
