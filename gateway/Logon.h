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

// The longest company or branch number: the server keeps numbers to 18 digits.
constexpr int maxLogonDigits = 18;
// The longest password the server's check can look up.
constexpr int maxPasswordLength = 255;

// Company and branch are numbers of at most maxLogonDigits digits; the password must fit the
// server's character set (charset, a ServerCharset name) and maxPasswordLength. A German
// sentence naming the first value that does not, or empty text.
QString logonValueProblem(const LogonValues &values, const QString &charset);

// A company or branch number as the server's check receives it: the digits without leading
// zeros ("007" is 7, as the number the server knows), never through floating point.
QString logonNumber(const QString &digits);
