#pragma once

#include <QDate>

// Today's date as the program sees it; tests set it to check the default period.
QDate today();

// Pins today() to the given date; an invalid date goes back to the real calendar.
void setToday(const QDate &date);
