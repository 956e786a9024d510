#include "gateway/ServerExecute.h"

#include "app/UserMessages.h"
#include "gateway/CacheControl.h"
#include "gateway/LogonRecord.h"
#include "gateway/MsmClient.h"

ServerAnswer ServerExecuteChecked(const QString &line) {
    LogonRecord &record = logonRecord();
    const bool cache = record.ServerKind == QLatin1String("cache");
    ErpConnection *connection =
        cache ? static_cast<ErpConnection *>(&cacheControl()) : record.MsmConnection.get();

    ServerAnswer result;
    if (connection) {
        result = connection->run(line);
    } else {
        result.error =
            QStringLiteral("Ungültige Anfrage. Anfrage mit anderer Eingabe wiederholen!");
        result.details = QStringLiteral("Es besteht keine Verbindung zum ERP-Server. Die Zeile "
                                        "wurde nicht gesendet.");
    }
    if (result.ok)
        return result;
    if (!connection || !connection->isOpen())
        record.Connected = false;
    showMessage(result.error, QStringLiteral("Ungültige Anfrage"), result.details);
    return result;
}

QString ServerExecute(const QString &line) {
    return ServerExecuteChecked(line).answer;
}
