#include "common/UserMessages.h"

#include <cstdio>

QString applicationTitle() {
    return QStringLiteral("kwp");
}

QString withDetails(const QString &text, const QString &details) {
    return details.isEmpty() ? text : text + QStringLiteral(" (") + details + QLatin1Char(')');
}

void StderrMessages::show(const UserMessage &message) {
    const QString title = message.title.isEmpty() ? applicationTitle() : message.title;
    const QString line = withDetails(title + QStringLiteral(": ") + message.text, message.details);
    // UTF-8 like everything else kwpctl writes (on Windows the local 8-bit code page would
    // mix two encodings in one stream).
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}
