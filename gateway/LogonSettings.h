#pragma once

#include "gateway/Logon.h"

#include <QString>

// The user's stored log-on (the last successful one): application "MSM Login", section
// "Login", keys "Server", "Firma", "Filiale" and "Passwort" (scrambled). On Windows they lie
// where the classic per-user program settings of that application name lie, so that other
// tools of the ERP read and write the same values; elsewhere in an INI file of the user's
// configuration folder ("KORVEX/MSM Login.ini"), readable by the user only.
class LogonSettings {
public:
    // file: an INI file to use instead (tests, kwpctl on a shared account); empty: the default.
    explicit LogonSettings(const QString &file = QString());

    // The stored values with their defaults: "Bravenoor", "1", "0", empty password.
    LogonValues read() const;
    // Stores the four values, the password scrambled, in the order "Server", "Firma", "Filiale",
    // "Passwort". False with a German sentence in *error when they could not be stored.
    bool write(const LogonValues &values, QString *error) const;

private:
    QString m_file;
};
