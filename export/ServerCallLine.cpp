#include "export/ServerCallLine.h"

namespace {
const QString prefix = QStringLiteral("S P0=$$WINKWP^BRKWPCOM(\"");
const QString suffix = QStringLiteral(") W:$F($ZV,\"MSM\") P0");
// Keeps each $C(...) well below the engine's limit on the arguments of one function call.
constexpr int maxCodesInPiece = 64;

bool isControl(QChar c) {
    return c.unicode() < 32 || c.unicode() == 127;
}
} // namespace

void ServerCallLine::begin() {
    line_.clear();
    line_ += prefix;
    inCodes_ = false;
    codesInPiece_ = 0;
}

void ServerCallLine::append(QChar c) {
    if (isControl(c)) {
        appendControl(c.unicode());
        return;
    }
    if (inCodes_) {
        line_ += QLatin1String(")_\"");
        inCodes_ = false;
    }
    if (c == QLatin1Char('"'))
        line_ += QLatin1Char('"');
    line_ += c;
}

void ServerCallLine::append(QStringView text) {
    // Plain runs are copied whole; only quotes and control characters go one by one.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('"') && !isControl(c))
            continue;
        if (i > runStart) {
            append(text[runStart]);
            line_ += text.mid(runStart + 1, i - runStart - 1);
        }
        append(c);
        runStart = i + 1;
    }
    if (runStart < text.size()) {
        append(text[runStart]);
        line_ += text.mid(runStart + 1);
    }
}

void ServerCallLine::appendControl(ushort code) {
    if (!inCodes_) {
        line_ += QLatin1String("\"_$C(");
        inCodes_ = true;
        codesInPiece_ = 0;
    } else if (codesInPiece_ == maxCodesInPiece) {
        line_ += QLatin1String(")_$C(");
        codesInPiece_ = 0;
    } else {
        line_ += QLatin1Char(',');
    }
    line_ += QString::number(code);
    ++codesInPiece_;
}

const QString &ServerCallLine::finish() {
    line_ += inCodes_ ? QLatin1Char(')') : QLatin1Char('"');
    inCodes_ = false;
    line_ += suffix;
    return line_;
}

qsizetype ServerCallLine::finishedLength() const {
    return line_.size() + 1 + suffix.size(); // the closing quote or bracket, then the suffix
}

qsizetype ServerCallLine::longestLineFor(qsizetype recordLength) {
    // A lone control character: "_$C(127)_" and the quote that reopens the literal.
    constexpr qsizetype longestCharacter = 10;
    return prefix.size() + recordLength * longestCharacter + 1 + suffix.size();
}

QString ServerCallLine::forRecord(QStringView record) {
    ServerCallLine line;
    line.begin();
    line.append(record);
    return line.finish();
}
