#include "gateway/MumpsString.h"

namespace {
// Keeps each $C(...) well below the engine's limit on the arguments of one function call.
constexpr int maxCodesInPiece = 64;

bool isControl(QChar c) {
    return c.unicode() < 32 || c.unicode() == 127;
}
} // namespace

void MumpsStringWriter::begin(QString &line) {
    line_ = &line;
    line += QLatin1Char('"');
    inCodes_ = false;
    codesInPiece_ = 0;
}

void MumpsStringWriter::append(QChar c) {
    if (isControl(c)) {
        appendControl(c.unicode());
        return;
    }
    if (inCodes_) {
        *line_ += QLatin1String(")_\"");
        inCodes_ = false;
    }
    if (c == QLatin1Char('"'))
        *line_ += QLatin1Char('"');
    *line_ += c;
}

void MumpsStringWriter::append(QStringView text) {
    // Plain runs are copied whole; only quotes and control characters go one by one.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('"') && !isControl(c))
            continue;
        if (i > runStart) {
            append(text[runStart]);
            *line_ += text.mid(runStart + 1, i - runStart - 1);
        }
        append(c);
        runStart = i + 1;
    }
    if (runStart < text.size()) {
        append(text[runStart]);
        *line_ += text.mid(runStart + 1);
    }
}

void MumpsStringWriter::appendControl(ushort code) {
    if (!inCodes_) {
        *line_ += QLatin1String("\"_$C(");
        inCodes_ = true;
        codesInPiece_ = 0;
    } else if (codesInPiece_ == maxCodesInPiece) {
        *line_ += QLatin1String(")_$C(");
        codesInPiece_ = 0;
    } else {
        *line_ += QLatin1Char(',');
    }
    *line_ += QString::number(code);
    ++codesInPiece_;
}

void MumpsStringWriter::finish() {
    *line_ += inCodes_ ? QLatin1Char(')') : QLatin1Char('"');
    inCodes_ = false;
}

QString mumpsString(QStringView text) {
    QString line;
    MumpsStringWriter writer;
    writer.begin(line);
    writer.append(text);
    writer.finish();
    return line;
}
