#pragma once

#include <QString>
#include <QUrl>

// One link of the About window: the text it shows and what it opens.
struct AboutLink {
    QString text;
    QUrl target; // invalid: the text is shown without a link
};

// What a site may set in group [About] of the program's INI file.
struct AboutSettings {
    AboutLink mail; // "MailText", "MailTarget": the mail link, e.g. to the site's helpdesk
    AboutLink web;  // "WebText", "WebTarget": the web link
    QString systemInfoProgram; // "SystemInfo": where there is no registry, the system
                               // information program with its arguments
};

// Reads group [About] of iniPath. Links not set there lead to the program's own documents
// in documentsFolder: the mail link to its README, the web link to the folder.
AboutSettings readAboutSettings(const QString &iniPath, const QString &documentsFolder);

// The program's documents as installed: share/doc/kwp-import beside the program's folder
// (on Windows the program's folder itself).
QString installedDocumentsFolder();

// A link target as a site writes it: a URL with its scheme, a mail address, or a file path.
QUrl linkTarget(const QString &text);

// The rich text of a link label: the text, escaped, as a link to the target.
QString linkLabelText(const AboutLink &link);
