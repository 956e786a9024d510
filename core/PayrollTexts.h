#pragma once

#include <QString>

// The German texts of the payroll side (database, query file, preview), each written once;
// the main window and kwpctl both use them.
namespace PayrollTexts {

inline QString databaseNotOpened(const QString &source) {
    return QStringLiteral("Die Lohndatenbank konnte nicht geöffnet werden (%1).").arg(source);
}
inline QString queryFileNotRead(const QString &fileName, const QString &directory) {
    return QStringLiteral("Die Abfragedatei \u201E%1\u201C im Ordner \u201E%2\u201C konnte nicht "
                          "gelesen werden.")
        .arg(fileName, directory);
}
inline QString periodsNotRead() {
    return QStringLiteral("Die Perioden konnten nicht aus der Lohndatenbank gelesen werden.");
}
inline QString clientsNotRead() {
    return QStringLiteral("Die Mandanten konnten nicht aus der Lohndatenbank gelesen werden.");
}
inline QString previewNotRead() {
    return QStringLiteral("Die Vorschau konnte nicht aus der Lohndatenbank gelesen werden.");
}
inline QString notClientNumbers(const QString &text) {
    return QStringLiteral("Die Mandanten \u201E%1\u201C sind keine durch Kommas getrennten "
                          "Mandantennummern (etwa 3,999).")
        .arg(text);
}
inline QString queryColumns(int found, int expected) {
    return QStringLiteral("Die Exportabfrage (kwp1.sql) liefert %1 Spalten; der ERP-Server "
                          "erwartet je Zeile genau %2.")
        .arg(found)
        .arg(expected);
}
// Completes "Die Einstellungsdatei „…“ …" of the program's INI file.
inline QString iniLineWithoutEquals(int line) {
    return QStringLiteral("ist keine gültige INI-Datei: Zeile %1 ist weder ein Abschnitt "
                          "\u201E[Name]\u201C noch eine Zeile \u201ESchlüssel=Wert\u201C.")
        .arg(line);
}

} // namespace PayrollTexts
