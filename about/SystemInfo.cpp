#include "about/SystemInfo.h"

#include "about/AboutTexts.h"
#include "common/UserMessages.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {
const QString infoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString infoValue = QStringLiteral("PATH");
const QString locationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString locationValue = QStringLiteral("MSINFO");
const QString programFile = QStringLiteral("MSINFO32.EXE");

// The program's path from the registry: the first entry names it, the second its folder
// (and the file must be there). Empty when neither leads to it.
QString registeredProgram(const Registry &registry) {
    QString path;
    if (GetKeyValue(registry, RegistryRoot::LocalMachine, infoKey, infoValue, path))
        return path;
    QString folder;
    if (!GetKeyValue(registry, RegistryRoot::LocalMachine, locationKey, locationValue, folder))
        return {};
    QString candidate = QDir::fromNativeSeparators(folder);
    if (!candidate.endsWith(QLatin1Char('/')))
        candidate += QLatin1Char('/');
    candidate += programFile;
    return QFileInfo(candidate).isFile() ? QDir::toNativeSeparators(candidate) : QString();
}

bool startProgram(const QString &program, const QStringList &arguments) {
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}
} // namespace

bool GetKeyValue(const Registry &registry, RegistryRoot KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal) {
    const std::optional<Registry::Value> value = registry.read(KeyRoot, KeyName, SubKeyRef);
    if (!value) {
        KeyVal.clear();
        return false;
    }
    QByteArray data = value->data;
    if (data.endsWith('\0'))
        data.chop(1);
    switch (value->type) {
    case regSz:
        KeyVal = QString::fromLocal8Bit(data);
        break;
    case regDword: {
        // The whole stored number: its high bytes may be NUL, unlike a text's last byte.
        quint32 number = 0;
        for (qsizetype i = qMin<qsizetype>(value->data.size(), 4) - 1; i >= 0; --i)
            number = (number << 8) | quint8(value->data[i]);
        KeyVal = QStringLiteral("&h") + QString::number(number, 16).toUpper();
        break;
    }
    default:
        break;
    }
    return true;
}

bool StartSysInfo(const SystemInfoSources &sources, UserMessages &messages) {
    bool started = false;
    if (sources.registry) {
        started = startProgram(registeredProgram(*sources.registry), {});
    } else {
        QStringList command = QProcess::splitCommand(sources.configuredProgram);
        if (!command.isEmpty()) {
            const QString program = command.takeFirst();
            started = startProgram(program, command);
        }
    }
    if (!started)
        messages.show(UserMessage{{}, QString::fromUtf8(AboutTexts::sysInfoUnavailable), {}});
    return started;
}
