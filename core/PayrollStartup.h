#pragma once

#include "core/PayrollDatabase.h"

#include <QString>
#include <QStringList>

#include <optional>

class Session;

// Why a step of opening the payroll side failed: a German sentence and the technical text.
struct PayrollFailure {
    QString text;
    QString details;
};

// Opens the session's payroll connection and reads the query file of the current directory
// into its sqltext: what the main window's start-up and kwpctl do before the first preview.
std::optional<PayrollFailure> openPayroll(Session &session, const PayrollSource &source);

// The client numbers of the listed clients (all of them, marked as the main window marks them
// at start-up); failures as for openPayroll.
std::optional<PayrollFailure> readListedClients(Session &session, QStringList &rows);
