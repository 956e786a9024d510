#include "about/AboutSettings.h"

#include "about/AboutTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace {
// A text value; QSettings reads an unquoted value with commas as a list.
QString iniText(const QSettings &ini, const QString &key) {
    const QVariant value = ini.value(key);
    return value.typeId() == QMetaType::QStringList
               ? value.toStringList().join(QStringLiteral(", "))
               : value.toString();
}

AboutLink readLink(const QSettings &ini, const QString &prefix, const QString &defaultText,
                   const QUrl &defaultTarget) {
    const QString text = iniText(ini, prefix + QStringLiteral("Text")).trimmed();
    const QString target = iniText(ini, prefix + QStringLiteral("Target")).trimmed();
    if (text.isEmpty() && target.isEmpty())
        return {defaultText, defaultTarget};
    return {text.isEmpty() ? target : text, linkTarget(target)};
}
} // namespace

AboutSettings readAboutSettings(const QString &iniPath, const QString &documentsFolder) {
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("About"));
    const QDir documents(documentsFolder);
    AboutSettings settings;
    settings.mail =
        readLink(ini, QStringLiteral("Mail"), QString::fromUtf8(AboutTexts::defaultMailText),
                 QUrl::fromLocalFile(documents.filePath(QStringLiteral("README.md"))));
    settings.web =
        readLink(ini, QStringLiteral("Web"), QString::fromUtf8(AboutTexts::defaultWebText),
                 QUrl::fromLocalFile(documents.absolutePath() + QLatin1Char('/')));
    settings.systemInfoProgram = iniText(ini, QStringLiteral("SystemInfo")).trimmed();
    return settings;
}

QString installedDocumentsFolder() {
#ifdef Q_OS_WIN
    // The Windows installer puts the documents beside the program.
    return QCoreApplication::applicationDirPath();
#else
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/doc/kwp-import"));
#endif
}

QUrl linkTarget(const QString &text) {
    if (text.isEmpty())
        return {};
    if (QDir::isAbsolutePath(QDir::fromNativeSeparators(text)))
        return QUrl::fromLocalFile(QDir::fromNativeSeparators(text));
    QUrl url(text, QUrl::StrictMode);
    if (url.scheme().isEmpty() && text.contains(QLatin1Char('@')))
        url = QUrl(QStringLiteral("mailto:") + text, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() ? url : QUrl();
}

QString linkLabelText(const AboutLink &link) {
    const QString text = link.text.toHtmlEscaped();
    if (!link.target.isValid())
        return text;
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(QString::fromUtf8(link.target.toEncoded()).toHtmlEscaped(), text);
}
