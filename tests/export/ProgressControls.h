#pragma once

#include "export/ProgressMeter.h"
#include "export/kwpexport.h"

#include <QPushButton>

// The progress window's meter and its (or another window's) OK button, by their names.
inline ProgressMeter *fort1(const kwpexport *window) {
    return window->findChild<ProgressMeter *>(QStringLiteral("fort1"));
}
inline QPushButton *okButton(const QWidget *window) {
    return window->findChild<QPushButton *>(QStringLiteral("OK"));
}
