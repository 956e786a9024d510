#pragma once

#include "common/UserMessages.h"

// The real sink of the desktop program: a modal QMessageBox with an OK button, no icon.
class MessageBoxMessages : public UserMessages {
public:
    void show(const UserMessage &message) override;
};
