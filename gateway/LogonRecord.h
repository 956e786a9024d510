#pragma once

#include "gateway/ErpConnection.h"
#include "gateway/ServerProfile.h"

#include <QString>

#include <memory>

// The log-on values and server connection state, one record for a session.
struct LogonRecord {
    ServerProfile::Kind ServerKind = ServerProfile::Kind::Msm; // set by ReadServerProfile
    QString ProfileName;                                       // the "Server" value of the log-on
    QString ConnectionString;                                  // Caché kind: "CN_IPTCP:host[port]"
    QString NamespaceName;
    bool ServerTls = false; // the profile's line "TLS=1": the line service is reached over TLS
    // The open way to the server: the Caché control or the MSM connection object.
    std::unique_ptr<ErpConnection> connection;
    bool Connected = false;
    QString CompanyNo;
    QString BranchNo;
    QString UserId; // empty: not logged on
    QString UserName;
};
