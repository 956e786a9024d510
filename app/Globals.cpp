#include "app/Globals.h"

QString &sqltext() {
    static QString text;
    return text;
}

qint64 &reccount() {
    static qint64 count = 0;
    return count;
}
