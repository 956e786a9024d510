#include "core/ProgramIni.h"

#include "core/PayrollTexts.h"
#include "core/Session.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

namespace {
// The number of the first line that is neither empty, a comment, a section nor "key=value";
// 0 when there is none.
int lineWithoutEquals(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0; // QSettings reports what cannot be read
    int number = 0;
    bool continued = false; // the line before ended in a backslash
    while (!file.atEnd()) {
        QByteArray line = file.readLine().trimmed();
        if (++number == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3); // UTF-8 byte-order mark
        const bool wasContinued = continued;
        continued = line.endsWith('\\');
        if (wasContinued || line.isEmpty() || line.startsWith(';') || line.startsWith('#') ||
            line.startsWith('['))
            continue;
        if (!line.contains('='))
            return number;
    }
    return 0;
}
} // namespace

ProgramIni loadProgramIni(const QString &path) {
    ProgramIni ini;
    ini.path = path;
    if (!QFileInfo::exists(path))
        return ini;
    const QString unusable = QStringLiteral("Die Einstellungsdatei \u201E%1\u201C %2 Bitte die "
                                            "Datei korrigieren oder entfernen; ohne sie gelten "
                                            "die Voreinstellungen.");
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() == QSettings::NoError) {
        // QSettings passes over a line without "=" as if it were not there.
        if (const int line = lineWithoutEquals(path); line > 0) {
            ini.error = unusable.arg(path, PayrollTexts::iniLineWithoutEquals(line));
            return ini;
        }
    }
    switch (settings.status()) {
    case QSettings::NoError:
        break;
    case QSettings::AccessError:
        ini.error = unusable.arg(path, QStringLiteral("kann nicht gelesen werden."));
        return ini;
    case QSettings::FormatError:
        ini.error = unusable.arg(
            path, QStringLiteral("ist keine gültige INI-Datei (fehlerhafter Abschnitt oder "
                                 "Zeile ohne \u201E=\u201C)."));
        return ini;
    }

    QStringList problems = loadGatewaySettings(path, ini.gateway);
    ini.journalDirectory = settings.value(QStringLiteral("Export/JournalDirectory")).toString();
    ini.locale = settings.value(QStringLiteral("Regional/Locale")).toString().trimmed();
    // QLocale takes any name and falls back to "C" for one it does not know.
    if (!ini.locale.isEmpty() && QLocale(ini.locale).name() == QLatin1String("C") &&
        ini.locale != QLatin1String("C"))
        problems << QStringLiteral("Die Ländereinstellung \u201E%1\u201C unter [Regional] "
                                   "Locale ist unbekannt (Beispiel: de_DE).")
                        .arg(ini.locale);
    if (!problems.isEmpty())
        ini.error = unusable.arg(path, QStringLiteral("enthält Werte, die nicht verwendet werden "
                                                      "können: ") +
                                           problems.join(QLatin1Char(' ')));
    return ini;
}

void ProgramIni::applyTo(Session &session) const {
    session.gateway.settings = gateway;
    session.journalDirectory = journalDirectory;
    // Set once at start, before anything is converted; regionalLocale() follows it.
    if (!locale.isEmpty())
        QLocale::setDefault(QLocale(locale));
}
