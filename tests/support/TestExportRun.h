#pragma once

#include "export/ExportRun.h"

#include <functional>

class ExportProgressView;
class RecordCheck;
class UserMessages;

// An export run as the tests drive it: the one place a test builds an ExportRun. The fields are
// the run's surroundings; the run reads and sets them.
struct TestExportRun {
    ExportSelection selection{QStringLiteral("3, 999, 1000"), QStringLiteral("202403")};
    // The command channel: the session's gateway or a stand-in connection.
    std::function<ServerAnswer(const QString &line)> execute;
    // The connection for records in flight; none: one at a time.
    ErpConnection *connection = nullptr;
    int recordsInFlight = 0;
    // How a failed record in flight is shown (the gateway's ServerFailed); none: not shown.
    std::function<void(const ServerAnswer &failed)> recordFailed;
    ExportReport *report = nullptr;
    int maxLineLength = usableLineLength(GatewaySettings());
    // Called at every turn of the message loop: turn 0 after the button was hidden, turn n
    // before line n is sent. False: the program is ending.
    std::function<bool(int turn)> onLoop;
    // The export button as the run left it.
    bool buttonVisible = true;
    // How the last run ended.
    ExportEnd end;

    ExportRun::Outcome run(const RecordCheck &check, ExportProgressView &view,
                           UserMessages &messages, const QSqlDatabase &database,
                           const QString &query, qint64 reccount);
};
