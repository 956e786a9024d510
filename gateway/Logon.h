#pragma once

#include <QString>

// The four log-on values (and, from the command line, the fiscal year the caller expects).
struct LogonValues {
    QString profile;  // "Server": the server profile's name
    QString company;  // "Firma"
    QString branch;   // "Filiale"
    QString password; // plain
    QString passedFiscalYear;
};

// The start-up command line: company, branch, expected fiscal year, password and server
// profile, split at single spaces; further fields are ignored.
LogonValues logonValuesFromCommandLine(const QString &argumentText);

// The stored password's scrambling: every character's Windows-1252 code combined by
// exclusive-or with one fixed byte; applying it twice gives the text back. The byte is 0x81,
// a code the code page leaves undefined, so no character of the code page but NUL is mapped
// to or from NUL or an undefined code, and every scrambled value survives the settings store.
// Characters outside the code page stay as they are.
QString ScramblePassword(const QString &text);

// Company and branch go into the check line as numbers: digits only. A German sentence naming
// the first field that is not, or empty text.
QString logonValueProblem(const QString &company, const QString &branch);

// "D PASS^%ONLCL0(company,branch,"password")": the password as a string expression that the
// server receives exactly as typed (quotes doubled, control characters as $C pieces).
QString passwordCheckLine(const QString &company, const QString &branch, const QString &password);
