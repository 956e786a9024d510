#include "app/ClientKeys.h"

#include "app/ListGridModel.h"

QString clientKeyList(const ListGridModel &mandant) {
    QString keys;
    for (int row = 0; row < mandant.rows(); ++row)
        if (mandant.isChecked(row, clientMarkColumn))
            keys += mandant.cellText(row, 1) + QStringLiteral(", ");
    return keys + QStringLiteral("1000");
}
