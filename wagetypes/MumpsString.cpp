#include "wagetypes/MumpsString.h"

namespace {
// Keeps each $C(...) well below the engine's limit on the arguments of one function call.
constexpr int maxCodesInPiece = 64;

bool isControl(QChar c) {
    return c.unicode() < 32 || c.unicode() == 127;
}
} // namespace

QString mumpsString(QStringView text) {
    QString out;
    out.reserve(text.size() + 2);
    enum { Start, InString, InCodes } state = Start;
    int codes = 0;
    for (const QChar c : text) {
        if (isControl(c)) {
            if (state == InCodes && codes < maxCodesInPiece) {
                out += QLatin1Char(',');
            } else {
                out += state == InString  ? QLatin1String("\"_$C(")
                       : state == InCodes ? QLatin1String(")_$C(")
                                          : QLatin1String("$C(");
                state = InCodes;
                codes = 0;
            }
            ++codes;
            out += QString::number(c.unicode());
            continue;
        }
        if (state != InString) {
            out += state == InCodes ? QLatin1String(")_\"") : QLatin1String("\"");
            state = InString;
        }
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    switch (state) {
    case Start:
        return QStringLiteral("\"\"");
    case InString:
        out += QLatin1Char('"');
        break;
    case InCodes:
        out += QLatin1Char(')');
        break;
    }
    return out;
}
