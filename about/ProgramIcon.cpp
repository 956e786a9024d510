#include "about/ProgramIcon.h"

QIcon programIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/about/kwp-import-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/about/kwp-import-256.png"), QSize(256, 256));
    return icon;
}
