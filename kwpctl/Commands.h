#pragma once

#include <QStringList>

// Each kwpctl sub-command takes its own arguments (without the command name) and returns the
// process exit code. Output for scripts goes to standard output, everything else to standard
// error.
int runPreviewCommand(const QStringList &arguments);
int runExecCommand(const QStringList &arguments);
int runExportCommand(const QStringList &arguments);
int runWageTypesCommand(const QStringList &arguments);
