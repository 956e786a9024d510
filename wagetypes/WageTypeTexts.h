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

// The backup file of kwpctl (AssignmentFile).
inline QString backupLine(qsizetype line, const QString &why) {
    return QStringLiteral("Zeile %1 der Sicherung: %2").arg(line).arg(why);
}
inline QString backupEmpty(const QString &head) {
    return QStringLiteral("Die Sicherung ist leer; eine Sicherung beginnt mit der Zeile "
                          "\u201E%1\u201C.")
        .arg(head);
}
inline QString backupForeign(const QString &head) {
    return QStringLiteral("Die Datei ist keine Sicherung der Lohnarten-Zuordnung: ihre erste "
                          "Zeile lautet nicht \u201E%1\u201C.")
        .arg(head);
}
inline QString backupCut(const QString &lastLine) {
    return QStringLiteral("Die Sicherung ist unvollständig: ihre letzte Zeile "
                          "\u201E%1\u201C fehlt.")
        .arg(lastLine);
}
inline QString backupCountDiffers(qsizetype named, qsizetype found) {
    return QStringLiteral("Die Sicherung ist unvollständig: ihre letzte Zeile nennt %1 Einträge, "
                          "sie enthält aber %2.")
        .arg(named)
        .arg(found);
}
inline QString backupTwoSeparators() {
    return QStringLiteral("mehr als ein \u201E;\u201C ohne vorangestellten \\.");
}
inline QString backupBadEscape() {
    return QStringLiteral("\u201E\\\u201C steht nicht vor \\, ; oder xHH.");
}
inline QString backupNoSeparator() {
    return QStringLiteral("es fehlt das \u201E;\u201C zwischen Lohnart und Zuordnung.");
}
inline QString backupEmptyKey() {
    return QStringLiteral("die Lohnart ist leer.");
}
inline QString backupKeyTwice(const QString &key) {
    return QStringLiteral("die Lohnart %1 steht ein zweites Mal.").arg(key);
}
// A value that the server's character set cannot hold or that makes the line too long.
inline QString valueCannotTravel(const QString &key, const QString &problem) {
    return QStringLiteral("Die Zuordnung der Lohnart %1 kann nicht an den ERP-Server gesendet "
                          "werden: %2 Es wurde nichts gespeichert.")
        .arg(key, problem);
}

} // namespace WageTypeTexts
