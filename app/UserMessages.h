#pragma once

#include <QString>

// Every message the program shows to the user goes through here, so that tests can record
// messages instead of blocking on a modal box, and kwpctl can print them.
struct UserMessage {
    QString title;   // empty: the application title "kwp"
    QString text;    // what the user reads, German
    QString details; // the underlying technical text, if any
};

class UserMessages {
public:
    virtual ~UserMessages() = default;
    // Shows the message with only an OK button and no icon; returns when it was acknowledged.
    virtual void show(const UserMessage &message) = 0;
};

// The application title, used where a message box has no title of its own.
QString applicationTitle();

// The sink every message goes to. Without one installed, messages go to standard error.
UserMessages &userMessages();
void setUserMessages(UserMessages *sink);

// Shorthand for userMessages().show(...).
void showMessage(const QString &text, const QString &title = QString(),
                 const QString &details = QString());

// Messages written to standard error, for kwpctl and for runs without a display.
class StderrMessages : public UserMessages {
public:
    void show(const UserMessage &message) override;
};
