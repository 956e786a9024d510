#include "gateway/ServerConnection.h"

#include "gateway/CacheControl.h"
#include "gateway/GatewaySettings.h"
#include "gateway/LogonRecord.h"
#include "gateway/MsmClient.h"
#include "gateway/ServerProfile.h"

namespace {
QString connectError;

QString joined(const QString &text, const QString &details) {
    return details.isEmpty() ? text : text + QStringLiteral(" (") + details + QLatin1Char(')');
}
} // namespace

bool CacheConnect() {
    const LogonRecord &record = logonRecord();
    if (record.ConnectionString.isEmpty()) {
        connectError = QStringLiteral("Das Serverprofil nennt keinen Caché-Server.");
        return false;
    }
    CacheControl &control = cacheControl();
    LineSecurity security = gatewaySettings().security;
    security.tls = record.ServerTls;
    control.setSecurity(security);
    control.setServer(record.ConnectionString);
    control.setNameSpace(record.NamespaceName);
    if (control.errorCode() != 0) {
        connectError = joined(control.errorText(), control.errorDetails());
        // Writing the server property closed any earlier connection of the control.
        if (record.ServerKind == QLatin1String("cache"))
            logonRecord().Connected = false;
        return false;
    }
    return true;
}

bool MsmConnect(const QString &profileName) {
    QString error;
    std::shared_ptr<MsmClient> connection =
        MsmClient::fromProfile(profilePath(profileName), &error);
    if (!connection) {
        connectError = error;
        return false;
    }
    // Kept only once logged in, so that a failed attempt leaves an open connection usable.
    if (!connection->Login()) {
        connectError = joined(connection->errorText(), connection->errorDetails());
        return false;
    }
    LogonRecord &record = logonRecord();
    record.MsmConnection = connection;
    record.Connected = true;
    return true;
}

void ServerDisconnect() {
    LogonRecord &record = logonRecord();
    if (!record.Connected)
        return;
    if (record.ServerKind == QLatin1String("cache"))
        cacheControl().setServer(QString());
    else if (record.MsmConnection)
        record.MsmConnection->Logout();
    record.Connected = false;
}

QString lastConnectError() {
    return connectError;
}

bool ConnectByProfile(const QString &profileName, QString *error) {
    QString why;
    if (!ReadServerProfile(profileName)) {
        why = QStringLiteral("Das Serverprofil \u201E%1\u201C wurde nicht gefunden oder kann nicht "
                             "gelesen werden (%2).")
                  .arg(profileName, profilePath(profileName));
    } else if (logonRecord().ServerKind == QLatin1String("cache")) {
        if (CacheConnect())
            logonRecord().Connected = true;
        else
            why = lastConnectError();
    } else if (!MsmConnect(profileName)) {
        why = lastConnectError();
    }
    if (why.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("Keine Verbindung zum ERP-Server: ") + why;
    return false;
}
