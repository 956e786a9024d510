#include "export/ServerCallLine.h"

void ServerCallLine::begin() {
    line_.clear();
    line_ += QLatin1String("S P0=$$WINKWP^BRKWPCOM(");
    record_.begin(line_);
}

const QString &ServerCallLine::finish() {
    record_.finish();
    line_ += QLatin1String(") W:$F($ZV,\"MSM\") P0");
    return line_;
}

QString ServerCallLine::forRecord(QStringView record) {
    ServerCallLine line;
    line.begin();
    line.append(record);
    return line.finish();
}
