#include "kwpctl/Commands.h"

#include "gateway/ServerConnection.h"
#include "gateway/ServerExecute.h"

#include <QTextStream>

// kwpctl exec --profile NAME 'LINE': runs one line over the profile's connection and prints
// its answer as UTF-8. A failure goes to standard error through the message sink.
int runExecCommand(const QStringList &arguments)
{
    QString profile;
    QString line;
    bool haveLine = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--profile") && i + 1 < arguments.size()) {
            profile = arguments[++i];
        } else if (!haveLine) {
            line = arguments[i];
            haveLine = true;
        } else {
            haveLine = false;
            break;
        }
    }
    QTextStream err(stderr);
    if (profile.isEmpty() || !haveLine) {
        err << "Aufruf: kwpctl exec --profile NAME 'LINE'\n";
        return 2;
    }

    QString error;
    if (!ConnectByProfile(profile, &error)) {
        err << error << '\n';
        return 1;
    }
    const ServerAnswer answer = ServerExecuteChecked(line);
    ServerDisconnect();
    if (!answer.ok)
        return 1;
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << answer.answer << '\n';
    return 0;
}
