#pragma once

#include "about/Registry.h"

#include <QString>

class UserMessages;

// Reads one value of the registry into KeyVal and tells whether it was found. Text is taken
// without its closing NUL; a number becomes "&h" and its hexadecimal digits, most significant
// first, without leading zeros (26 gives "&h1A"); a value of any other type counts as found
// and leaves KeyVal as it was. Not found: KeyVal is emptied.
bool GetKeyValue(const Registry &registry, RegistryRoot KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

// Where StartSysInfo finds the system information program.
struct SystemInfoSources {
    // Windows: the registry, which knows where the system's own program lies.
    const Registry *registry = nullptr;
    // Without a registry: the command line named in the program's INI file ([About]
    // SystemInfo), a program with its arguments; empty when none is named.
    QString configuredProgram;
};

// The button "&Systeminfo...": starts the system information program in a window of its
// own. When there is none, or it cannot be started, the user reads "Systeminformationen sind
// momentan nicht verfügbar". Returns whether a program was started.
bool StartSysInfo(const SystemInfoSources &sources, UserMessages &messages);
