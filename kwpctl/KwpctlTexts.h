#pragma once

#include <QString>

// kwpctl's own German texts, each written once.
namespace KwpctlTexts {

inline QString optionTwice(const QString &name) {
    return QStringLiteral("Die Option \u201E--%1\u201C ist mehrfach angegeben; jede Option darf "
                          "nur einmal stehen.")
        .arg(name);
}
inline QString noClients() {
    return QStringLiteral("--clients nennt keinen Mandanten; bitte mindestens eine "
                          "Mandantennummer angeben (etwa 3,999).");
}
} // namespace KwpctlTexts
