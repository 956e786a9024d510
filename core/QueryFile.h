#pragma once

#include <QString>

// The export query lives in "kwp1.sql" in the current working directory, with the
// placeholders "$$PERIODE$$" and "$$MANDANT$$".
inline constexpr char queryFileName[] = "kwp1.sql";
inline constexpr char periodPlaceholder[] = "$$PERIODE$$";
inline constexpr char clientPlaceholder[] = "$$MANDANT$$";
// The result columns of the query: one field of the ERP server's line record each.
inline constexpr int queryColumnCount = 19;

struct QueryFileText {
    bool ok = false;
    QString text;  // every line followed by CR LF; empty for an empty file
    QString error; // why the file could not be read
};

// Reads a query file. A line ends at CR, CR LF or LF. The file is in the ANSI code page,
// Windows-1252, or in UTF-8 (see decodeWindowsText).
QueryFileText readQueryFile(const QString &path = QString::fromLatin1(queryFileName));

// Splits raw file text into lines and ends each with CR LF.
QString normaliseQueryLines(const QString &raw);

struct Statement {
    bool ok = false;
    QString text;    // the statement to run
    QString message; // German, for the user, when !ok
    QString details; // technical text, when !ok
};

// Puts the period and the client key list into the query text, first occurrence of each
// placeholder only, verbatim. Refuses a period that is not YYYYMM (it would be pasted into
// SQL) and a query without either placeholder.
Statement substituteQuery(const QString &query, const QString &period, const QString &clientKeys);
