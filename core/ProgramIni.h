#pragma once

#include "core/PayrollDatabase.h"
#include "gateway/GatewaySettings.h"

#include <QString>

class Session;

// What the program and kwpctl take from the INI file at start: the ERP server settings
// ([ErpServer]), where export journals go ([Export] JournalDirectory) and, when the
// workstation's regional settings do not suit the ERP server, the locale to use instead
// ([Regional] Locale, e.g. de_DE). [Payroll] is read where the payroll database is opened.
struct ProgramIni {
    QString path;
    GatewaySettings gateway;
    QString journalDirectory; // empty: see defaultJournalDirectory()
    QString locale;           // empty: the workstation's regional settings
    // Why the file cannot be used: a German sentence naming the file and the problem. A
    // missing file is no problem (the defaults hold); one that exists but cannot be read or
    // parsed, or holds a value the program cannot use, is.
    QString error;

    bool ok() const { return error.isEmpty(); }
    // Hands the settings to the session and pins the locale for this process.
    void applyTo(Session &session) const;
};

ProgramIni loadProgramIni(const QString &path = payrollIniPath());
