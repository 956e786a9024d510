#pragma once

#include "app/UserMessages.h"

#include <QList>

// Records every message instead of showing it; installs itself for its lifetime.
class RecordedMessages : public UserMessages {
public:
    RecordedMessages() { setUserMessages(this); }
    ~RecordedMessages() override { setUserMessages(nullptr); }
    void show(const UserMessage &message) override { messages.append(message); }

    QList<UserMessage> messages;
};
