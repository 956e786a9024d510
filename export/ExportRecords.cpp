#include "export/ExportRecords.h"

QString openingRecord(const QString &clientKeyList, const QString &period) {
    return clientKeyList + QStringLiteral("```") + period;
}
