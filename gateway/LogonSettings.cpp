#include "gateway/LogonSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {
const QString section = QStringLiteral("Login");

std::unique_ptr<QSettings> open(const QString &file) {
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\MSM Login"),
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/KORVEX/MSM Login.ini"),
        QSettings::IniFormat);
#endif
}

// The file holds the password merely scrambled: only its owner may read it. It is created
// with those rights before anything is written to it.
bool restrictToOwner(const QString &path) {
    if (path.isEmpty())
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists() && !file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
} // namespace

LogonSettings::LogonSettings(const QString &file)
    : m_file(file) {}

LogonValues LogonSettings::read() const {
    const std::unique_ptr<QSettings> store = open(m_file);
    store->beginGroup(section);
    LogonValues values;
    values.profile = store->value(QStringLiteral("Server"), QStringLiteral("Bravenoor")).toString();
    values.company = store->value(QStringLiteral("Firma"), QStringLiteral("1")).toString();
    values.branch = store->value(QStringLiteral("Filiale"), QStringLiteral("0")).toString();
    values.password = ScramblePassword(store->value(QStringLiteral("Passwort")).toString());
    return values;
}

bool LogonSettings::write(const LogonValues &values, QString *error) const {
    const std::unique_ptr<QSettings> store = open(m_file);
    const bool isFile = store->format() == QSettings::IniFormat;
    const auto failed = [&store, error] {
        if (error)
            *error = QStringLiteral("Die Anmeldedaten konnten nicht in \u201E%1\u201C gespeichert "
                                    "werden.")
                         .arg(store->fileName());
        return false;
    };
    if (isFile && !restrictToOwner(store->fileName()))
        return failed();
    store->beginGroup(section);
    store->setValue(QStringLiteral("Server"), values.profile);
    store->setValue(QStringLiteral("Firma"), values.company);
    store->setValue(QStringLiteral("Filiale"), values.branch);
    store->setValue(QStringLiteral("Passwort"), ScramblePassword(values.password));
    store->endGroup();
    store->sync();
    if (isFile)
        restrictToOwner(store->fileName());
    return store->status() == QSettings::NoError || failed();
}
