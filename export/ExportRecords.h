#pragma once

#include <QString>

// The opening record that tells the ERP server the selection before any line: the client key
// list, three back-quotes, then the period text. Split at the back-quotes: keys, empty,
// empty, period.
QString openingRecord(const QString &clientKeyList, const QString &period);
