#pragma once

#include <QLocale>
#include <QString>

// The opening record that tells the ERP server the selection before any line: the client key
// list, three back-quotes, then the period text. Split at the back-quotes: keys, empty,
// empty, period.
QString openingRecord(const QString &clientKeyList, const QString &period);

// Whether records built under these regional settings can be read by the ERP server, which
// takes numbers with a decimal comma and dates as day.month.four-digit year. Empty text when
// they can; otherwise a German sentence that says what is wrong and how to fix it.
QString regionalSettingsProblem(const QLocale &locale);
