#include "gateway/LogonRecord.h"

#include "gateway/MsmClient.h"

LogonRecord &logonRecord() {
    static LogonRecord record;
    return record;
}
