#include "common/QtTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList qtTranslationFolders(const QString &applicationDir) {
    return {QDir(applicationDir).filePath(QStringLiteral("translations")),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QString installGermanQtTexts(QCoreApplication &app, const QString &applicationDir) {
    for (const QString &folder : qtTranslationFolders(applicationDir)) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QStringLiteral("qtbase_de"), folder) &&
            QCoreApplication::installTranslator(translator))
            return translator->filePath();
        delete translator;
    }
    return QString();
}
