#pragma once

#include "gateway/ServerExecute.h"

#include <QString>

// An open way to the ERP server, whatever its kind: the Caché control or the MSM connection
// object. ServerExecute runs lines through it.
class ErpConnection {
public:
    virtual ~ErpConnection() = default;
    // Runs one line; on failure the answer carries the text the user is shown for this kind.
    virtual ServerAnswer run(const QString &line) = 0;
    // False once the connection was closed or dropped after a time-out or a break.
    virtual bool isOpen() const = 0;
};
