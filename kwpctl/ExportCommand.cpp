#include "kwpctl/Commands.h"

#include <QTextStream>

int runExportCommand(const QStringList &)
{
    QTextStream(stderr) << "kwpctl: not available yet\n";
    return 2;
}
