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
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}
