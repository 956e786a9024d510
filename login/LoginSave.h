#pragma once

#include "gateway/ErpGateway.h"

class LogonSettings;

// The login dialog's save, without the dialog: log on with the boxes' values (the log-on fills
// the log-on record) and, when that succeeded, store the four values as the user's settings for
// the next start. No fiscal-year comparison here.
// *storeError: why the settings could not be stored (the log-on itself stands).
LogonResult logOnAndStore(ErpGateway &gateway, const LogonSettings &stored,
                          const LogonValues &boxes, QString *storeError);
