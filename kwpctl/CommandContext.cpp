#include "kwpctl/Commands.h"

#include "core/ClientKeys.h"
#include "core/PayrollStartup.h"
#include "core/PayrollTexts.h"
#include "core/Period.h"
#include "kwpctl/KwpctlTexts.h"

#include <QTextStream>

namespace CommonOptions {
QCommandLineOption db() {
    return {QStringLiteral("db"),
            QStringLiteral("Lohndatenbank: eine SQLite-Datei oder \u201Eodbc:\u201C und eine "
                           "Verbindungszeichenfolge (sonst die der INI-Datei)."),
            QStringLiteral("DB")};
}
QCommandLineOption period() {
    return {QStringLiteral("period"), QStringLiteral("Periode JJJJMM (sonst der Vormonat)."),
            QStringLiteral("P")};
}
QCommandLineOption clients() {
    return {QStringLiteral("clients"),
            QStringLiteral("Mandantennummern, durch Kommas getrennt (sonst die gelisteten)."),
            QStringLiteral("3,999")};
}
QCommandLineOption profile() {
    return {QStringLiteral("profile"), QStringLiteral("Serverprofil des ERP-Servers."),
            QStringLiteral("NAME")};
}
QCommandLineOption company() {
    return {QStringLiteral("company"),
            QStringLiteral("Firma der Anmeldung (sonst die gespeicherte Anmeldung)."),
            QStringLiteral("FIRMA")};
}
QCommandLineOption branch() {
    return {QStringLiteral("branch"),
            QStringLiteral("Filiale der Anmeldung (sonst die gespeicherte Anmeldung)."),
            QStringLiteral("FILIALE")};
}
} // namespace CommonOptions

CommandContext::CommandContext(const QCommandLineParser &options, const QString &usage)
    : options(options)
    , usage(usage)
    , session(messages) {}

int CommandContext::failUsage(const QString &problem) {
    QTextStream(stderr) << problem << "\n\n" << usage;
    return Failure;
}

int CommandContext::fail(const QString &text, const QString &details) {
    messages.tell(text, QString(), details);
    return Failure;
}

QString optionProblem(const QCommandLineParser &options) {
    // Only options the command has can have been given.
    const QStringList given = options.optionNames();
    const QString period = QStringLiteral("period");
    if (given.contains(period)) {
        if (const QString problem = periodProblem(options.value(period)); !problem.isEmpty())
            return QStringLiteral("--period: ") + problem;
    }
    const QString clients = QStringLiteral("clients");
    if (given.contains(clients)) {
        QStringList numbers;
        if (!parseClientNumbers(options.value(clients), numbers))
            return QStringLiteral("--clients: ") +
                   PayrollTexts::notClientNumbers(options.value(clients));
        if (numbers.isEmpty())
            return KwpctlTexts::noClients();
    }
    return QString();
}

namespace {
PayrollSource payrollSource(const QCommandLineParser &options) {
    const QString db = options.value(QStringLiteral("db"));
    return db.isEmpty() ? payrollSourceFromIni() : payrollSourceFromOption(db);
}
} // namespace

bool CommandContext::openPayroll() {
    if (const auto failed = ::openPayroll(session, payrollSource(options))) {
        fail(failed->text, failed->details);
        return false;
    }
    return true;
}

bool CommandContext::openDatabase() {
    const PayrollSource source = payrollSource(options);
    const OpenResult opened = session.adocon.open(source);
    if (!opened.ok)
        fail(PayrollTexts::databaseNotOpened(source.describe()), opened.error);
    return opened.ok;
}

bool CommandContext::clientKeys(QString &keys) {
    QStringList numbers;
    if (options.isSet(QStringLiteral("clients"))) {
        const QString option = options.value(QStringLiteral("clients"));
        if (!parseClientNumbers(option, numbers)) {
            fail(QStringLiteral("--clients: ") + PayrollTexts::notClientNumbers(option));
            return false;
        }
    } else {
        QStringList rows;
        if (const auto failed = readListedClients(session, rows)) {
            fail(failed->text, failed->details);
            return false;
        }
        numbers = clientNumbers(rows);
    }
    keys = clientKeyList(numbers);
    return true;
}

QString CommandContext::period() const {
    return options.isSet(QStringLiteral("period")) ? options.value(QStringLiteral("period"))
                                                   : defaultPeriod(session.today());
}

bool CommandContext::logOn(QString *fiscalYear) {
    LogonValues values = session.storedLogon.read();
    const auto take = [this](const char *option, QString &value) {
        if (options.isSet(QLatin1String(option)))
            value = options.value(QLatin1String(option));
    };
    take("profile", values.profile);
    take("company", values.company);
    take("branch", values.branch);
    // Never from the command line, where other users of the machine can read it.
    if (qEnvironmentVariableIsSet("KWP_PASSWORD"))
        values.password = qEnvironmentVariable("KWP_PASSWORD");
    if (values.password.isEmpty()) {
        fail(QStringLiteral("Kein Passwort: bitte in der Umgebungsvariablen KWP_PASSWORD "
                            "angeben. Es wurde nichts gesendet."));
        return false;
    }
    const LogonResult result = session.gateway.LogOn(values);
    switch (result.outcome) {
    case LogonResult::Outcome::LoggedOn:
        if (fiscalYear)
            *fiscalYear = result.fiscalYear;
        return true;
    case LogonResult::Outcome::Rejected:
        fail(QStringLiteral("Die Anmeldung mit Firma %1, Filiale %2 wurde vom ERP-Server "
                            "abgelehnt (Passwort falsch?). Es wurde nichts übertragen.")
                 .arg(values.company, values.branch));
        return false;
    default:
        fail(result.message, result.details);
        return false;
    }
}
