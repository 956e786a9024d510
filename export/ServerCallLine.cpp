#include "export/ServerCallLine.h"

namespace {
const QLatin1String call("S P0=$$WINKWP^BRKWPCOM(");
const QLatin1String suffix(") W:$F($ZV,\"MSM\") P0");
} // namespace

void ServerCallLine::begin() {
    line_.clear();
    line_ += call;
    record_.begin(line_);
}

const QString &ServerCallLine::finish() {
    record_.finish();
    line_ += suffix;
    return line_;
}

qsizetype ServerCallLine::finishedLength() const {
    return line_.size() + 1 + suffix.size(); // the closing quote or bracket, then the suffix
}

qsizetype ServerCallLine::longestLineFor(qsizetype recordLength) {
    // A lone control character: "_$C(127)_" and the quote that reopens the literal.
    constexpr qsizetype longestCharacter = 10;
    return call.size() + 1 + recordLength * longestCharacter + 1 + suffix.size();
}

QString ServerCallLine::forRecord(QStringView record) {
    ServerCallLine line;
    line.begin();
    line.append(record);
    return line.finish();
}
