#include "gateway/GatewaySettings.h"

#include <QStandardPaths>

namespace {
QString configuredProfileDirectory;
}

GatewaySettings &gatewaySettings() {
    static GatewaySettings settings;
    return settings;
}

QString profileDirectory() {
    const QString fromEnvironment = qEnvironmentVariable("KWP_PROFILE_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!configuredProfileDirectory.isEmpty())
        return configuredProfileDirectory;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kwp-import/profiles");
}

void setProfileDirectory(const QString &directory) {
    configuredProfileDirectory = directory;
}
