#include "gateway/GetPiece.h"

QString GetPiece(const QString &text, QChar delimiter, int n, const QString &fallback) {
    if (n < 1)
        return fallback;
    int field = 1;
    qsizetype start = 0;
    // Skip to the start of field n, then take it up to the next delimiter.
    while (field < n) {
        const qsizetype next = text.indexOf(delimiter, start);
        if (next < 0)
            return fallback;
        start = next + 1;
        ++field;
    }
    const qsizetype end = text.indexOf(delimiter, start);
    const QString result = text.mid(start, end < 0 ? -1 : end - start);
    return result.isEmpty() ? fallback : result;
}
