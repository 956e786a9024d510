#pragma once

// The About window's German texts, each in one place. UTF-8: read with QString::fromUtf8.
namespace AboutTexts {
inline constexpr char captionPrefix[] = "Info zu ";
inline constexpr char productLabel[] = "Produktname";
inline constexpr char versionLabel[] = "Version ";
inline constexpr char mailHeading[] = "Kontakt";
inline constexpr char descriptionLabel[] = "Beschreibung";
inline constexpr char description[] = "KWP-Exportmodul für KORVEX";
inline constexpr char dates[] = "Erstellt am 11.04.2001 Letzte Korrektur 12.04.2001";
inline constexpr char ok[] = "OK";
inline constexpr char sysInfo[] = "&Systeminfo...";
inline constexpr char sysInfoUnavailable[] = "Systeminformationen sind momentan nicht verfügbar";
// %1: the link's target.
inline constexpr char linkFailed[] = "Der Verweis \u201E%1\u201C konnte nicht geöffnet werden.";
// The default links, to the program's own documents.
inline constexpr char defaultMailText[] = "Hilfe zu KWP-Import";
inline constexpr char defaultWebText[] = "Dokumentation von KWP-Import";
} // namespace AboutTexts
