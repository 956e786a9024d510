#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// Qt's own texts (the buttons and "Details einblenden..." of message boxes, the text boxes'
// context menu, the command-line parser's errors) in German, as the program's own.
//
// The folders searched for qtbase_de.qm, in order: "translations" beside the program (where
// the Windows installer puts it), then Qt's own translations folder.
QStringList qtTranslationFolders(const QString &applicationDir);
// Installs the first qtbase_de.qm found for the application; the file loaded, empty when none
// was found (Qt's texts then stay English).
QString installGermanQtTexts(QCoreApplication &app, const QString &applicationDir);
