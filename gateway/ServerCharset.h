#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The ERP server's single-byte character set: lines are encoded into it, answers decoded from
// it. Every byte decodes to one character and back, so answers travel unchanged; a character
// the set cannot hold is an error, never a silent "?".
class ServerCharset {
public:
    // "windows-1252" (also "cp1252") or "iso-8859-1" (also "latin1"), any case; nothing else.
    static std::optional<ServerCharset> byName(const QString &name);

    // The ANSI code page of the workstations; also the code page of their text files.
    static const ServerCharset &windows1252();

    QString name() const { return m_name; }

    // Appends the encoded text to out. On a character the set cannot hold, returns false with a
    // German sentence naming the character in *error; out is then incomplete.
    bool encode(QStringView text, QByteArray &out, QString *error) const;
    void decode(const char *bytes, qsizetype size, QString &out) const;
    QString decode(const QByteArray &bytes) const;

private:
    ServerCharset(const QString &name, const char16_t *upperHalf);

    QString m_name;
    std::array<char16_t, 256> m_toUnicode{};
    std::array<qint16, 256> m_fromLatin1{}; // byte for U+0000..U+00FF, -1 when none
    std::array<std::pair<char16_t, char>, 32> m_fromOthers{}; // the rest, unsorted, few
    int m_otherCount = 0;
};

// The text of a file written on a workstation (the query file, a server profile): UTF-8 when it
// starts with a byte-order mark (which is dropped) or is valid UTF-8 throughout, otherwise
// Windows-1252, the ANSI code page, in which bytes 0x80-0x9F are "€", "„", "–" and the like.
QString decodeWindowsText(const QByteArray &bytes);
