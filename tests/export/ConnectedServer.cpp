#include "tests/export/ConnectedServer.h"

#include "app/Globals.h"
#include "app/QueryFile.h"
#include "gateway/GatewaySettings.h"
#include "gateway/ServerConnection.h"
#include "gateway/ServerExecute.h"


ConnectedServer::ConnectedServer() {
    qunsetenv("windir");
    qunsetenv("KWP_PROFILE_DIR");
    setProfileDirectory(profiles_.path());
    fixture_ = std::make_unique<ErpServerFixture>();
    if (!fixture_->isRunning()) {
        error_ = fixture_->error();
        return;
    }
    if (!fixture_->writeProfile(profiles_.path(), QStringLiteral("test"),
                                ErpServerFixture::ProfileKind::Cache)) {
        error_ = QStringLiteral("cannot write the profile");
        return;
    }
    if (!ConnectByProfile(QStringLiteral("test"), &error_))
        return;
    const QueryFileText query =
        readQueryFile(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"));
    if (!query.ok)
        error_ = query.error;
    sqltext() = query.text;
}

ConnectedServer::~ConnectedServer() {
    ServerDisconnect();
}

int ConnectedServer::receivedOnChannel() {
    return ServerExecuteChecked(QStringLiteral("S P0=$G(%BRKWP(\"n\")) W:$F($ZV,\"MSM\") P0"))
        .answer.toInt();
}

int ConnectedServer::storedInLastBatch() {
    return fixture_
        ->evaluate("N n,b S P0=0,b=$G(^KWPIMP),n=0 F  S n=$O(^KWPIMP(b,n)) Q:n=\"\"  S P0=P0+1")
        .toInt();
}

QByteArray ConnectedServer::openingOfLastBatch() {
    return fixture_->global("^KWPIMP(" + QByteArray::number(fixture_->lastBatch()) + ")");
}
