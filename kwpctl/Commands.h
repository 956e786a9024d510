#pragma once

#include "common/UserMessages.h"
#include "core/Session.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

// Exit codes of every kwpctl command.
enum ExitCode : int {
    Success = 0,
    RefusedByServer = 1, // the ERP server refused a record or a line
    Failure = 2,         // anything else: wrong options, database, connection, ...
};

// What a command works with: its parsed options and a session whose messages go to standard
// error. Output meant for scripts goes to standard output, everything else to standard error.
class CommandContext {
public:
    CommandContext(const QCommandLineParser &options, const QString &usage);

    const QCommandLineParser &options;
    const QString usage; // the command's usage text
    StderrMessages messages;
    Session session;

    // Tells the user and returns Failure.
    int fail(const QString &text, const QString &details = QString());
    // Says what is wrong with the command's arguments, then its usage; returns Failure.
    int failUsage(const QString &problem);

    // Opens --db (or the INI's payroll database) and reads kwp1.sql; false when it failed and
    // the user was told.
    bool openPayroll();
    // Opens --db (or the INI's payroll database) only.
    bool openDatabase();
    // The client key list of --clients, or of the clients the main window lists.
    bool clientKeys(QString &keys);
    // --period, or the month before today.
    QString period() const;
    // Logs on as the program does: --profile, --company, --branch, the password from the
    // environment variable KWP_PASSWORD; what is not given comes from the stored log-on.
    // False when it failed and the user was told; nothing but the log-on request was sent.
    bool logOn(QString *fiscalYear = nullptr);
};

// What is wrong with the values of the options every command shares (--period, --clients), as
// a German sentence; empty when nothing is. Checked before a command opens or sends anything.
QString optionProblem(const QCommandLineParser &options);

// One kwpctl command: its name, the arguments it takes, its options, what it does.
struct Command {
    QString name;
    QString synopsis; // "--db DB --period P [--clients 3,999]"
    QString summary;  // one German line for the overview
    QList<QCommandLineOption> options;
    int (*run)(CommandContext &context);
};

// The commands' options, shared where commands take the same.
namespace CommonOptions {
QCommandLineOption db();
QCommandLineOption period();
QCommandLineOption clients();
QCommandLineOption profile();
QCommandLineOption company();
QCommandLineOption branch();
} // namespace CommonOptions

Command previewCommand();
Command execCommand();
Command exportCommand();
Command profileCommand();
Command logonCommand();
Command wageTypesCommand();
Command journalCommand();
