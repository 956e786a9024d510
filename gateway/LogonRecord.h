#pragma once

#include <QString>

#include <memory>

class MsmClient;

// The log-on values and server connection state, one record for the whole run.
struct LogonRecord {
    QString ServerKind;       // "msm" or "cache"
    QString ProfileName;      // the "Server" value of the log-on
    QString ConnectionString; // Caché kind: "CN_IPTCP:host[port]"
    QString NamespaceName;
    bool ServerTls = false; // the profile's line "TLS=1": the line service is reached over TLS
    std::shared_ptr<MsmClient> MsmConnection; // MSM kind: the connection object
    bool Connected = false;
    QString CompanyNo;
    QString BranchNo;
    QString Password;
    QString UserId; // empty: not logged on
    QString UserName;
};

// The program's one log-on record.
LogonRecord &logonRecord();
