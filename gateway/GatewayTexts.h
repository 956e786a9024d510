#pragma once

#include <QString>

// The gateway's German texts, each written once.
namespace GatewayTexts {

// Title of the box a failed line shows.
inline QString invalidRequestTitle() {
    return QStringLiteral("Ungültige Anfrage");
}
// What a failed line says on a server of the MSM kind.
inline QString invalidRequest() {
    return QStringLiteral("Ungültige Anfrage. Anfrage mit anderer Eingabe wiederholen!");
}
inline QString notConnected() {
    return QStringLiteral(
        "Es besteht keine Verbindung zum ERP-Server. Die Zeile wurde nicht gesendet.");
}
inline QString unknownCharset(const QString &name) {
    return QStringLiteral("Der eingestellte Zeichensatz \u201E%1\u201C des ERP-Servers ist "
                          "unbekannt; möglich sind windows-1252 und iso-8859-1.")
        .arg(name);
}
inline QString lineAborted(const QString &serverText) {
    return QStringLiteral("Der ERP-Server hat die Zeile mit einem Fehler abgebrochen: %1")
        .arg(serverText);
}
inline QString serverErrorDetails(const QString &code, const QString &serverText) {
    return QStringLiteral("Fehlercode %1: %2").arg(code, serverText);
}
inline QString serverNotReachable(const QString &profile) {
    return QStringLiteral("Keine Verbindung zum ERP-Server über das Serverprofil \u201E%1\u201C.")
        .arg(profile);
}
inline QString programEnds() {
    return QStringLiteral("Das Programm wird beendet; es wurde nichts übertragen.");
}
inline QString fiscalYearDiffers() {
    return QStringLiteral(
        "Achtung: Übergebenens Wirtschaftsjahr ist ungleich akutelles Wirtschaftsjahr!");
}
inline QString fiscalYearTitle() {
    return QStringLiteral("Wanung: Wirtschaftsjahr!");
}
inline QString noConnection(const QString &why) {
    return QStringLiteral("Keine Verbindung zum ERP-Server: ") + why;
}

} // namespace GatewayTexts
