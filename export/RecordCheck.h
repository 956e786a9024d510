#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <vector>

// Decides whether a value can travel in an export record as it is. A back-quote would shift
// the server's fields, and a character outside the server's character set would arrive as
// something else; such a value is refused before anything is sent. Control characters are
// fine: the server call line spells them out.
class RecordCheck {
public:
    // encodable: whether the server's character set holds the character.
    explicit RecordCheck(std::function<bool(QChar)> encodable);
    // The check for the character set the gateway sends in (GatewaySettings::charset).
    static RecordCheck forServer(const QString &charsetName);

    // Why the value cannot be sent, as a German phrase ("enthält ..."), or empty text.
    QString problem(QStringView value) const;

private:
    bool encodable(QChar c) const;

    std::function<bool(QChar)> encodable_;
    // Answers of encodable_, asked once per character: 0 unknown, 1 yes, 2 no.
    mutable std::vector<std::uint8_t> known_;
};
