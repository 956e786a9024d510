#include "kwpctl/Commands.h"

#include <QTextStream>

int runExecCommand(const QStringList &)
{
    QTextStream(stderr) << "kwpctl: not available yet\n";
    return 2;
}
