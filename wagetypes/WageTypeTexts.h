#pragma once

#include <QString>
#include <QStringList>

// The German texts of the wage-type assignment, each in one place.
namespace WageTypeTexts {

inline QString caption() {
    return QStringLiteral("Lohnarten Zuordnung");
}
inline QString notOpened() {
    return QStringLiteral("Die Lohnarten-Zuordnung kann nicht geöffnet werden.");
}
inline QString percentUnanswered() {
    return notOpened() + QStringLiteral(" Der ERP-Server hat die Prüfung der Anmeldung nicht "
                                        "beantwortet.");
}
inline QString percentNotSet() {
    return notOpened() +
           QStringLiteral(" Die Anmeldung am ERP-Server hat das Trennzeichen der Zuordnungen "
                          "(die Variable %) nicht auf das Zeichen ` gesetzt; gelesene "
                          "Zuordnungen wären falsch und ein Speichern würde sie verfälschen. "
                          "Bitte neu anmelden.");
}
inline QString queryFailed() {
    return notOpened() + QStringLiteral(" Die Lohnarten der Lohndatenbank konnten nicht gelesen "
                                        "werden.");
}
inline QString connectionLost() {
    return notOpened() + QStringLiteral(" Die Verbindung zum ERP-Server ist abgebrochen; es "
                                        "wurde nichts verändert.");
}
inline QString unread(const QStringList &keys) {
    return QStringLiteral("Die Zuordnung folgender Lohnarten konnte nicht vom ERP-Server gelesen "
                          "werden: %1. Sie bleibt beim Speichern auf dem ERP-Server, wie sie ist, "
                          "solange Sie nicht beide Zuordnungen der Lohnart neu setzen.")
        .arg(keys.join(QStringLiteral(", ")));
}
inline QString unreadCell() {
    return QStringLiteral("(nicht gelesen)");
}
inline QString writeFailed(const QString &key, int written) {
    return QStringLiteral(
               "Die Zuordnung wurde nicht vollständig gespeichert: Die Lohnart %1 konnte nicht "
               "geschrieben werden. Gespeichert sind die neuen Zuordnungen von %2 Lohnarten "
               "vor ihr. Die Lohnart %1, alle folgenden und jene, deren Zuordnung Sie entfernt "
               "haben, behalten ihre bisherige Zuordnung auf dem ERP-Server. Ihre Änderungen "
               "sind im Fenster erhalten; bitte erneut speichern.")
        .arg(key)
        .arg(written);
}
inline QString cleanupFailed() {
    return QStringLiteral(
        "Die Zuordnung wurde nicht vollständig gespeichert: Die neuen Zuordnungen sind auf dem "
        "ERP-Server, aber entfernte Zuordnungen und Einträge von Lohnarten, die es nicht mehr "
        "gibt, konnten nicht alle gelöscht werden. Ihre Änderungen sind im Fenster erhalten; "
        "bitte erneut speichern.");
}
inline QString notWhileExporting() {
    return QStringLiteral("Die Zuordnung kann nicht gespeichert werden, solange ein Export läuft, "
                          "denn der ERP-Server kann die übernommenen Zeilen nach ihr einordnen. "
                          "Ihre Änderungen bleiben im Fenster; bitte nach dem Ende des Exports "
                          "speichern.");
}
inline QString badListing() {
    return QStringLiteral("Der ERP-Server hat die Liste der gespeicherten Zuordnungen in "
                          "unerwarteter Form beantwortet.");
}

} // namespace WageTypeTexts
