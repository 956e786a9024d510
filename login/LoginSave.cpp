#include "login/LoginSave.h"

#include "gateway/LogonSettings.h"

LogonResult logOnAndStore(ErpGateway &gateway, const LogonSettings &stored,
                          const LogonValues &boxes, QString *storeError) {
    const LogonResult result = gateway.LogOn(boxes);
    if (result.outcome != LogonResult::Outcome::LoggedOn)
        return result;
    stored.write(boxes, storeError);
    return result;
}
