#pragma once

#include "common/UserMessages.h"

#include <QList>

// Records every message instead of showing it; hand it to the session under test.
class RecordedMessages : public UserMessages {
public:
    void show(const UserMessage &message) override { messages.append(message); }

    QList<UserMessage> messages;
};
