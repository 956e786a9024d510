#pragma once

#include <QString>

// Every message the program shows to the user goes through one of these, handed to whoever
// needs it: the desktop shows a modal box, kwpctl prints to standard error, tests record.
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

    // Shorthand for show(UserMessage{title, text, details}).
    void tell(const QString &text, const QString &title = QString(),
              const QString &details = QString()) {
        show(UserMessage{title, text, details});
    }
};

// The application title, used where a message box has no title of its own.
QString applicationTitle();

// "text (details)", or the text alone: a message and its technical cause on one line.
QString withDetails(const QString &text, const QString &details);

// Messages written to standard error, for kwpctl and for runs without a display.
class StderrMessages : public UserMessages {
public:
    void show(const UserMessage &message) override;
};
