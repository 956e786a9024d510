#include "gateway/LogonRecord.h"

LogonRecord &logonRecord()
{
    static LogonRecord record;
    return record;
}
