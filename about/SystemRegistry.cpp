#include "about/Registry.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

namespace {
// Reads with query rights only: the rights to change keys under HKEY_LOCAL_MACHINE are
// refused to ordinary users, and the look-up would then find nothing.
class WindowsRegistry : public Registry {
public:
    std::optional<Value> read(RegistryRoot, const QString &keyPath,
                              const QString &valueName) const override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.toLocal8Bit().constData(), 0, KEY_READ,
                          &key) != ERROR_SUCCESS)
            return std::nullopt;
        QByteArray buffer(1024, '\0');
        DWORD type = 0;
        DWORD size = DWORD(buffer.size());
        const LONG result = RegQueryValueExA(key, valueName.toLocal8Bit().constData(), nullptr,
                                             &type, reinterpret_cast<BYTE *>(buffer.data()), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        buffer.truncate(qsizetype(size));
        return Value{quint32(type), buffer};
    }
};
} // namespace

const Registry *systemRegistry() {
    static const WindowsRegistry registry;
    return &registry;
}
#else
const Registry *systemRegistry() {
    return nullptr;
}
#endif
