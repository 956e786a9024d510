#include "login/LoginSave.h"

#include "gateway/LogonSettings.h"

LogonResult logOnAndStore(ErpGateway &gateway, const LogonSettings &stored,
                          const LogonValues &boxes, QString *storeError) {
    const LogonResult result = gateway.LogOn(boxes);
    if (result.outcome != LogonResult::Outcome::LoggedOn)
        return result;
    LogonRecord &logon = gateway.logon;
    logon.CompanyNo = boxes.company;
    logon.BranchNo = boxes.branch;
    logon.ProfileName = boxes.profile;
    stored.write(boxes, storeError);
    return result;
}
