#include "tests/export/StandInExport.h"

#include "core/QueryFile.h"
#include "export/ExportRecords.h"
#include "export/ServerCallLine.h"
#include "tests/support/ErpServerFixture.h"

#include <QtGlobal>

StandInExport::StandInExport()
    : session(messages)
    , payroll(data.filePath(QStringLiteral("payroll.db")))
    , view(&mainWindow)
    , check(RecordCheck::forServer(session.gateway.settings.charset)) {
    auto connection = std::make_unique<StandInConnection>();
    server = connection.get();
    LogonRecord &logon = session.gateway.logon;
    logon.connection = std::move(connection);
    logon.Connected = true;
    logon.ProfileName = QStringLiteral("test");
    logon.CompanyNo = QStringLiteral("1");
    logon.BranchNo = QStringLiteral("0");
    logon.UserId = QStringLiteral("DEMO");
    logon.UserName = QStringLiteral("Demo Benutzer");
    session.journalDirectory = data.filePath(QStringLiteral("journal"));
    const QueryFileText query =
        readQueryFile(ErpServerFixture::sourceDir() + QStringLiteral("/demo/kwp1.sql"));
    if (!query.ok)
        qWarning("query file: %s", qPrintable(query.error));
    session.sqltext = query.text;
    exporter.execute = [this](const QString &line) {
        return session.gateway.ServerExecuteChecked(line);
    };
    exporter.connection = server;
    mainWindow.show();
}

StandInExport::~StandInExport() {
    session.adocon.close();
}

ExportRun::Outcome StandInExport::run(qint64 reccount) {
    if (!payroll.error().isEmpty())
        qWarning("payroll file: %s", qPrintable(payroll.error()));
    const OpenResult opened = session.adocon.open({PayrollSource::Kind::Sqlite, payroll.path()});
    if (!opened.ok)
        qWarning("adocon: %s", qPrintable(opened.error));
    if (reccount == -2)
        reccount = payroll.expectedRecords().size();
    const ExportRun::Outcome outcome =
        exporter.run(check, view, messages, session.adocon.database(), session.sqltext, reccount);
    session.adocon.close();
    return outcome;
}

QStringList StandInExport::linesFor(const QStringList &records) const {
    QStringList lines{ServerCallLine::forRecord(
        openingRecord(exporter.selection.clientKeyList, exporter.selection.period))};
    for (const QString &record : records)
        lines.append(ServerCallLine::forRecord(record));
    return lines;
}
