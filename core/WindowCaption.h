#pragma once

#include <QString>

struct LogonRecord;

// The main window's caption after the log-on: program, company, branch and user name.
QString mainWindowCaption(const LogonRecord &logon);

// The caption before the log-on.
inline constexpr char designCaption[] = "KORVEX KWP-Import";
