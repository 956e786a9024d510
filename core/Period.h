#pragma once

#include <QDate>
#include <QString>

// A payroll period is six digits: the four-digit year, then the two-digit month.

// True for six digits with a month from 01 to 12. The period is pasted into SQL as it is, so
// nothing else may pass.
bool isValidPeriod(const QString &period);

// Why the period is refused, as a German sentence; empty when it is valid.
QString periodProblem(const QString &period);

// The calendar month before the given day: January 2025 gives "202412".
QString defaultPeriod(const QDate &day);
