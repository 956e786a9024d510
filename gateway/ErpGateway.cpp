#include "gateway/ErpGateway.h"

#include "gateway/CacheControl.h"
#include "gateway/GatewayTexts.h"
#include "gateway/GetPiece.h"
#include "gateway/LogonSettings.h"
#include "gateway/MsmClient.h"
#include "gateway/ServerProfile.h"

#include <utility>

ErpGateway::ErpGateway(UserMessages &messages, const GatewaySettings &settings)
    : settings(settings)
    , messages(messages) {}

bool ErpGateway::ReadServerProfile(const QString &profileName, QString *error) {
    return ::ReadServerProfile(logon, settings, profileName, error).has_value();
}

bool ErpGateway::CacheConnect() {
    if (logon.ConnectionString.isEmpty()) {
        m_connectError = QStringLiteral("Das Serverprofil nennt keinen Caché-Server.");
        return false;
    }
    // Writing the server property closes whatever connection was open before.
    if (logon.connection)
        logon.connection->close();
    auto control = std::make_unique<CacheControl>(settings);
    LineSecurity security = settings.security;
    security.tls = logon.ServerTls;
    control->setSecurity(security);
    control->setServer(logon.ConnectionString);
    control->setNameSpace(logon.NamespaceName);
    const bool connected = control->errorCode() == LineChannel::NoError;
    if (!connected) {
        m_connectError = withDetails(control->errorText(), control->errorDetails());
        logon.Connected = false;
    }
    logon.connection = std::move(control);
    return connected;
}

bool ErpGateway::MsmConnect(const ServerProfile &profile) {
    auto connection = std::make_unique<MsmClient>(profile, settings);
    // Kept only once logged in, so that a failed attempt leaves an open connection usable.
    if (!connection->Login()) {
        m_connectError = withDetails(connection->errorText(), connection->errorDetails());
        return false;
    }
    if (logon.connection)
        logon.connection->close();
    logon.connection = std::move(connection);
    logon.Connected = true;
    return true;
}

void ErpGateway::ServerDisconnect() {
    if (!logon.Connected)
        return;
    if (logon.connection)
        logon.connection->close();
    logon.Connected = false;
}

bool ErpGateway::ConnectByProfile(const QString &profileName, QString *error) {
    QString why; // names the file and what is wrong with it when it cannot be used
    if (const std::optional<ServerProfile> profile =
            ::ReadServerProfile(logon, settings, profileName, &why)) {
        if (profile->kind == ServerProfile::Kind::Msm)
            why = MsmConnect(*profile) ? QString() : m_connectError;
        else if (CacheConnect())
            logon.Connected = true;
        else
            why = m_connectError;
    }
    if (why.isEmpty())
        return true;
    if (error)
        *error = GatewayTexts::noConnection(why);
    return false;
}

ServerAnswer ErpGateway::ServerExecuteChecked(const QString &line) {
    ErpConnection *connection = logon.connection.get();
    return told(connection ? connection->run(line) : ServerAnswer(), connection);
}

ServerAnswer ErpGateway::told(ServerAnswer result, const ErpConnection *connection) {
    if (result.ok)
        return result;
    if (!connection) {
        result.error = GatewayTexts::invalidRequest();
        result.details = GatewayTexts::notConnected();
    }
    if (!connection || !connection->isOpen())
        logon.Connected = false;
    messages.tell(result.error, GatewayTexts::invalidRequestTitle(), result.details);
    return result;
}

QString ErpGateway::ServerExecute(const QString &line) {
    return ServerExecuteChecked(line).answer;
}

QString ErpGateway::CheckServerPassword(const QString &company, const QString &branch,
                                        const QString &password) {
    if (password.isEmpty())
        return QString();
    ErpConnection *connection = logon.connection.get();
    return told(connection ? connection->logOn(logonNumber(company), logonNumber(branch), password)
                           : ServerAnswer(),
                connection)
        .answer;
}

namespace {
// What a log-on attempt replaces: the way to the server and the profile's values that describe
// it. Kept aside while a new connection is checked, put back when the check fails.
struct ServerWay {
    ServerProfile::Kind ServerKind = ServerProfile::Kind::Msm;
    QString ConnectionString, NamespaceName;
    bool ServerTls = false;
    std::unique_ptr<ErpConnection> connection;
    bool Connected = false;

    // Both ways: from the log-on record aside, and back.
    template <typename From, typename To> static void move(From &from, To &to) {
        to.ServerKind = from.ServerKind;
        to.ConnectionString = from.ConnectionString;
        to.NamespaceName = from.NamespaceName;
        to.ServerTls = from.ServerTls;
        to.connection = std::move(from.connection);
        to.Connected = std::exchange(from.Connected, false);
    }
};
} // namespace

LogonResult ErpGateway::LogOn(const LogonValues &values) {
    // The session's connection stays in force until a new one is logged on.
    ServerWay previous;
    ServerWay::move(logon, previous);
    LogonResult result = logOnNewConnection(values);
    if (result.outcome == LogonResult::Outcome::LoggedOn) {
        if (previous.connection)
            previous.connection->close();
        return result;
    }
    if (logon.connection)
        logon.connection->close();
    ServerWay::move(previous, logon);
    return result;
}

LogonResult ErpGateway::logOnNewConnection(const LogonValues &values) {
    LogonResult result;
    QString error;
    if (!ConnectByProfile(values.profile, &error)) {
        result.outcome = LogonResult::Outcome::NotReachable;
        result.message = GatewayTexts::serverNotReachable(values.profile);
        result.details = error;
        return result;
    }
    const QString problem = logonValueProblem(values, settings.charset);
    if (!problem.isEmpty()) {
        result.outcome = LogonResult::Outcome::BadValues;
        result.message = problem;
        return result;
    }
    const QString answer = CheckServerPassword(values.company, values.branch, values.password);
    const QChar backQuote(u'`');
    if (GetPiece(answer, backQuote, 1).isEmpty())
        return result;
    takeLogOn(values, answer);
    result.outcome = LogonResult::Outcome::LoggedOn;
    result.fiscalYear = GetPiece(answer, backQuote, 4);
    return result;
}

void ErpGateway::takeLogOn(const LogonValues &values, const QString &checkAnswer) {
    const QChar backQuote(u'`');
    logon.ProfileName = values.profile;
    logon.CompanyNo = values.company;
    logon.BranchNo = values.branch;
    logon.UserId = GetPiece(checkAnswer, backQuote, 1);
    logon.UserName = GetPiece(checkAnswer, backQuote, 3);
}

bool ErpGateway::ServerLogin(const QString &argumentText, const LogonSettings &stored,
                             const std::function<void(const LogonValues &boxes)> &showLoginDialog) {
    logon.UserId.clear();
    // From the command line the dialog's boxes stay empty; the stored values fill them.
    const bool fromCommandLine = !argumentText.isEmpty();
    const LogonValues values =
        fromCommandLine ? logonValuesFromCommandLine(argumentText) : stored.read();
    const LogonValues boxes = fromCommandLine ? LogonValues() : values;

    const LogonResult result = LogOn(values);
    switch (result.outcome) {
    case LogonResult::Outcome::NotReachable:
        messages.tell(result.message + QLatin1Char(' ') + GatewayTexts::programEnds(), QString(),
                      result.details);
        return false;
    case LogonResult::Outcome::BadValues:
        messages.tell(result.message);
        break;
    case LogonResult::Outcome::LoggedOn:
        if (!values.passedFiscalYear.isEmpty() && values.passedFiscalYear != result.fiscalYear)
            messages.tell(GatewayTexts::fiscalYearDiffers(), GatewayTexts::fiscalYearTitle());
        break;
    case LogonResult::Outcome::Rejected:
        break;
    }
    if (logon.UserId.isEmpty())
        showLoginDialog(boxes);
    return !logon.UserId.isEmpty();
}
