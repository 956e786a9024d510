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
inline QString lineTooLong(qsizetype length, int longest) {
    return QStringLiteral("Die Zeile an den ERP-Server wäre %1 Zeichen lang; er nimmt höchstens "
                          "%2 an.")
        .arg(length)
        .arg(longest);
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

// Writing a profile file.
inline QString badProfilePort(const QString &port) {
    return QStringLiteral("Der Port \u201E%1\u201C ist keine Portnummer von 1 bis 65535.")
        .arg(port);
}
inline QString badProfileHost(const QString &host) {
    return QStringLiteral("Der Rechner \u201E%1\u201C ist kein Rechnername und keine Adresse "
                          "(erlaubt sind Buchstaben, Ziffern und die Zeichen . - _ :).")
        .arg(host);
}
inline QString badProfileNamespace(const QString &nameSpace) {
    return QStringLiteral("Der Namensraum \u201E%1\u201C ist nicht erlaubt (erlaubt sind "
                          "Buchstaben, Ziffern und die Zeichen % - _).")
        .arg(nameSpace);
}
inline QString badProfileName(const QString &name) {
    return QStringLiteral("Der Profilname \u201E%1\u201C ist nicht erlaubt: ein Profil liegt im "
                          "Profilordner, sein Name besteht aus Buchstaben, Ziffern und den "
                          "Zeichen . - _ und beginnt nicht mit einem Punkt.")
        .arg(name);
}
// Reading a profile file.
inline QString profileNotRead(const QString &profile, const QString &path) {
    return QStringLiteral("Das Serverprofil \u201E%1\u201C wurde nicht gefunden oder kann nicht "
                          "gelesen werden (%2).")
        .arg(profile, path);
}
inline QString profileKeyMissing(const QString &profile, const QString &path, const QString &key) {
    return QStringLiteral("Das Serverprofil \u201E%1\u201C (%2) ist unvollständig: es fehlt der "
                          "Schlüssel %3 mit dem Rechner des ERP-Servers. Es wurde nichts "
                          "gesendet.")
        .arg(profile, path, key);
}

} // namespace GatewayTexts
