#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The registry roots the About window reads from.
enum class RegistryRoot { LocalMachine }; // HKEY_LOCAL_MACHINE

// Value types as the registry numbers them.
inline constexpr quint32 regSz = 1;    // text
inline constexpr quint32 regDword = 4; // a 32-bit number, least significant byte first

// Read access to the Windows registry. Linux has none: tests hand in a stand-in.
class Registry {
public:
    struct Value {
        quint32 type = 0;
        QByteArray data; // as stored, of the size the registry reports (text with its NUL)
    };

    virtual ~Registry() = default;
    // Value valueName of key keyPath below root; nothing when the key cannot be opened or
    // the value cannot be read.
    virtual std::optional<Value> read(RegistryRoot root, const QString &keyPath,
                                      const QString &valueName) const = 0;
};

// The registry of this machine: on Windows through advapi32, elsewhere none (nullptr).
const Registry *systemRegistry();
