#include "app/Clock.h"

namespace {
QDate pinnedToday;
}

QDate today() {
    return pinnedToday.isValid() ? pinnedToday : QDate::currentDate();
}

void setToday(const QDate &date) {
    pinnedToday = date;
}
