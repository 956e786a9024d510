#include "app/UserMessages.h"

#include <cstdio>

namespace {
StderrMessages fallbackSink;
UserMessages *currentSink = nullptr;
} // namespace

QString applicationTitle() {
    return QStringLiteral("kwp");
}

UserMessages &userMessages() {
    return currentSink ? *currentSink : fallbackSink;
}

void setUserMessages(UserMessages *sink) {
    currentSink = sink;
}

void showMessage(const QString &text, const QString &title, const QString &details) {
    userMessages().show(UserMessage{title, text, details});
}

void StderrMessages::show(const UserMessage &message) {
    const QString title = message.title.isEmpty() ? applicationTitle() : message.title;
    QString line = title + QStringLiteral(": ") + message.text;
    if (!message.details.isEmpty())
        line += QStringLiteral(" (") + message.details + QLatin1Char(')');
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}
