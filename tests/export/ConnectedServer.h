#pragma once

#include "core/Session.h"
#include "tests/support/ErpServerFixture.h"
#include "tests/support/RecordedMessages.h"

#include <QTemporaryDir>

#include <memory>

// The demo ERP server for one test program, and a session logged on to it as the demo user
// through a Caché profile "test", with the demo query file in its sqltext and its messages
// recorded.
class ConnectedServer {
public:
    ConnectedServer();
    ~ConnectedServer();

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    RecordedMessages messages;
    Session session;
    ErpServerFixture &fixture() { return *fixture_; }
    // Where the profile "test" lies.
    QString profileDir() const { return profiles_.path(); }
    // The number of line records the stand-in received on this program's connection in its
    // batch, refused ones included (the batch context lives in the connection's locals).
    int receivedOnChannel();
    // The line records the stand-in stored in its last batch.
    int storedInLastBatch();
    QByteArray openingOfLastBatch();

private:
    QTemporaryDir profiles_;
    std::unique_ptr<ErpServerFixture> fixture_;
    QString error_;
};
