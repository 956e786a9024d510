#include "tests/export/ConnectedServer.h"

#include "core/QueryFile.h"

ConnectedServer::ConnectedServer()
    : session(messages) {
    qunsetenv("windir");
    qunsetenv("KWP_PROFILE_DIR");
    session.gateway.settings.profileDirectory = profiles_.path();
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
    // The demo user, as the program logs on: the import works in the user's context.
    const LogonResult logon =
        session.gateway.LogOn(ErpServerFixture::demoUser(QStringLiteral("test")));
    if (logon.outcome != LogonResult::Outcome::LoggedOn) {
        error_ = QStringLiteral("log-on failed: ") + logon.message + logon.details;
        return;
    }
    const QueryFileText query =
        readQueryFile(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"));
    if (!query.ok)
        error_ = query.error;
    session.sqltext = query.text;
}

ConnectedServer::~ConnectedServer() {
    session.gateway.ServerDisconnect();
}

int ConnectedServer::receivedOnChannel() {
    return session.gateway
        .ServerExecuteChecked(QStringLiteral("S P0=$G(%BRKWP(\"n\")) W:$F($ZV,\"MSM\") P0"))
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
