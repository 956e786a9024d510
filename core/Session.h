#pragma once

#include "common/UserMessages.h"
#include "core/PayrollDatabase.h"
#include "gateway/ErpGateway.h"
#include "gateway/LogonSettings.h"

#include <QDate>
#include <QString>

#include <functional>

// What one run of the program shares between its windows and procedures: the log-on record
// with the server connection, the payroll connection `adocon`, the query text `sqltext`, the
// settings, and where messages go. Created in main (and in kwpctl, and in each test) and
// handed to whoever needs it.
class Session {
public:
    explicit Session(UserMessages &messages, const GatewaySettings &gatewaySettings = {});
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    UserMessages &messages;
    ErpGateway gateway; // the log-on record and the server connection
    PayrollConnection adocon;
    QString sqltext;           // the query file's text, read once at start-up
    LogonSettings storedLogon; // the user's last successful log-on
    QString journalDirectory;  // where export journals go; empty: the user's data location
    // An export is reading adocon and sending on the server connection: what would change
    // either under it waits for its end or is refused.
    bool exportRunning = false;
    // Today's date as the session sees it (tests pin it).
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    LogonRecord &logon() { return gateway.logon; }
};
