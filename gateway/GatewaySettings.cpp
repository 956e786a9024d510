#include "gateway/GatewaySettings.h"

#include "gateway/GatewayTexts.h"
#include "gateway/ServerCharset.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

QStringList loadGatewaySettings(const QString &iniPath, GatewaySettings &settings) {
    QStringList problems;
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("ErpServer"));

    const QString directory = ini.value(QStringLiteral("ProfileDirectory")).toString();
    if (!directory.isEmpty())
        settings.profileDirectory = directory;

    if (ini.contains(QStringLiteral("Charset"))) {
        settings.charset = ini.value(QStringLiteral("Charset")).toString();
        if (!ServerCharset::byName(settings.charset))
            problems << QStringLiteral(
                            "Der Zeichensatz \u201E%1\u201C in %2 ist unbekannt; möglich "
                            "sind windows-1252 und iso-8859-1. Verbindungen zum "
                            "ERP-Server werden abgelehnt.")
                            .arg(settings.charset, iniPath);
    }

    const auto readTimeout = [&](const QString &key, int &target) {
        if (!ini.contains(key))
            return;
        bool ok = false;
        const double seconds =
            ini.value(key).toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok && seconds > 0 && seconds <= 24 * 3600) {
            target = qRound(seconds * 1000);
            return;
        }
        problems << QStringLiteral("Der Wert \u201E%1\u201C für %2 in %3 ist keine Zeit in "
                                   "Sekunden; es gelten %4 Sekunden.")
                        .arg(ini.value(key).toString(), key, iniPath)
                        .arg(target / 1000.0);
    };
    readTimeout(QStringLiteral("ConnectTimeout"), settings.connectTimeoutMs);
    readTimeout(QStringLiteral("AnswerTimeout"), settings.answerTimeoutMs);

    const QDir iniDirectory = QFileInfo(iniPath).absoluteDir();
    const auto readFile = [&](const QString &key, QString &target) {
        const QString file = ini.value(key).toString();
        if (!file.isEmpty())
            target = QDir::cleanPath(iniDirectory.absoluteFilePath(file));
    };
    readFile(QStringLiteral("CaFile"), settings.security.caFile);
    readFile(QStringLiteral("ClientCertificate"), settings.security.clientCertificate);
    readFile(QStringLiteral("ClientKey"), settings.security.clientKey);
    // A whole number within its range, or the default stays and the problem is told.
    const auto readNumber = [&](const QString &key, int low, int high, int &target,
                                const QString &expected, const QString &unit) {
        if (!ini.contains(key))
            return;
        bool ok = false;
        const int number = ini.value(key).toString().trimmed().toInt(&ok);
        if (ok && number >= low && number <= high)
            target = number;
        else
            problems << QStringLiteral(
                            "Der Wert \u201E%1\u201C für %2 in %3 ist %4; es gelten %5%6.")
                            .arg(ini.value(key).toString(), key, iniPath, expected,
                                 QString::number(target), unit);
    };
    // Below a few hundred bytes not even the opening record would fit.
    readNumber(QStringLiteral("MaxLineLength"), 256, 1048576, settings.maxLineLength,
               QStringLiteral("keine Zeilenlänge zwischen 256 und 1048576 Bytes"),
               QStringLiteral(" Bytes"));
    readNumber(QStringLiteral("RecordsInFlight"), 0, 8192, settings.recordsInFlight,
               QStringLiteral("keine Zahl von 0 bis 8192"), QString());
    return problems;
}

int usableLineLength(const GatewaySettings &settings) {
    // "MSM-Persona des KWP-Zeilendienstes auf " and $ZVERSION in quotes, with room to spare.
    constexpr int personaReserve = 128;
    return settings.maxLineLength - personaReserve;
}

QString lineProblem(const GatewaySettings &settings, const QString &line) {
    const std::optional<ServerCharset> charset = ServerCharset::byName(settings.charset);
    if (!charset)
        return GatewayTexts::unknownCharset(settings.charset);
    QByteArray bytes;
    QString error;
    if (!charset->encode(line, bytes, &error))
        return error;
    if (bytes.size() > usableLineLength(settings))
        return GatewayTexts::lineTooLong(bytes.size(), usableLineLength(settings));
    return QString();
}

QString profileDirectory(const GatewaySettings &settings) {
    const QString fromEnvironment = qEnvironmentVariable("KWP_PROFILE_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!settings.profileDirectory.isEmpty())
        return settings.profileDirectory;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kwp-import/profiles");
}
