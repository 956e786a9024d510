#include "gateway/ServerProfile.h"

#include "gateway/GatewaySettings.h"
#include "gateway/GatewayTexts.h"
#include "gateway/GetPiece.h"
#include "gateway/LogonRecord.h"
#include "gateway/ServerCharset.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString profilePath(const GatewaySettings &settings, const QString &profileName) {
    const QString windowsDirectory = qEnvironmentVariable("windir");
    const QString directory =
        windowsDirectory.isEmpty() ? profileDirectory(settings) : windowsDirectory;
    // Shown in messages and by kwpctl: in the platform's own spelling (C:\Windows\X.mco).
    return QDir::toNativeSeparators(directory + QLatin1Char('/') + profileName +
                                    QStringLiteral(".mco"));
}

QString serverKindText(ServerProfile::Kind kind) {
    return kind == ServerProfile::Kind::Cache ? QStringLiteral("cache") : QStringLiteral("msm");
}

QByteArray serverProfileText(const ServerProfile &target) {
    const QString text =
        target.kind == ServerProfile::Kind::Cache
            ? QStringLiteral("[CACHE]\r\nSERVERCACHE=%1\r\nPORTCACHE=%2\r\nNAMESPACE=%3\r\n")
            : QStringLiteral("MSMHOST=%1\r\nMSMPORT=%2\r\nMSMNAMESPACE=%3\r\n");
    return (text.arg(target.host, target.port, target.nameSpace) +
            (target.tls ? QStringLiteral("TLS=1\r\n") : QString()))
        .toUtf8();
}

namespace {
// Letters and digits (ASCII only when asked) and the extra characters, at least one.
bool madeOf(const QString &text, const QString &extra, bool asciiOnly) {
    if (text.isEmpty() || text.size() > 255)
        return false;
    for (const QChar c : text) {
        const bool letterOrDigit =
            asciiOnly ? (c.unicode() < 128 && c.isLetterOrNumber()) : c.isLetterOrNumber();
        if (!letterOrDigit && !extra.contains(c))
            return false;
    }
    return true;
}
} // namespace

QString profileTargetProblem(const ServerProfile &target) {
    bool ok = false;
    const int port = target.port.toInt(&ok);
    if (!madeOf(target.port, QString(), true) || !ok || port < 1 || port > 65535)
        return GatewayTexts::badProfilePort(target.port);
    if (!madeOf(target.host, QStringLiteral(".-_:"), true))
        return GatewayTexts::badProfileHost(target.host);
    if (!madeOf(target.nameSpace, QStringLiteral("%-_"), false))
        return GatewayTexts::badProfileNamespace(target.nameSpace);
    return QString();
}

QString profileNameProblem(const QString &profileName) {
    if (!madeOf(profileName, QStringLiteral(".-_"), true) ||
        profileName.startsWith(QLatin1Char('.')))
        return GatewayTexts::badProfileName(profileName);
    return QString();
}

bool writeServerProfile(const QString &path, const ServerProfile &target, QString *error) {
    if (const QString problem = profileTargetProblem(target); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(serverProfileText(target)) >= 0 &&
        file.commit())
        return true;
    if (error)
        *error = QStringLiteral("Die Profildatei \u201E%1\u201C kann nicht geschrieben werden: %2")
                     .arg(path, file.errorString());
    return false;
}

bool readProfileLines(const QString &path, QStringList &lines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeWindowsText(file.readAll());
    if (file.error() != QFileDevice::NoError)
        return false;
    lines.clear();
    if (text.isEmpty())
        return true;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.append(line.toString().remove(u' '));
    }
    if (text.endsWith(u'\n'))
        lines.removeLast(); // the line end of the last line opens no line of its own
    return true;
}

std::optional<ServerProfile> ReadServerProfile(LogonRecord &record, const GatewaySettings &settings,
                                               const QString &profileName, QString *error) {
    // The defaults are set anew at every reading, even one that fails.
    record.ServerKind = ServerProfile::Kind::Msm;
    record.NamespaceName = QStringLiteral("KORVEX");
    record.ServerTls = false;
    ServerProfile cache, msm;
    msm.kind = ServerProfile::Kind::Msm;
    cache.port = msm.port = QStringLiteral("1972");
    ServerProfile::Kind kind = record.ServerKind;
    bool tls = false;

    const QString path = profilePath(settings, profileName);
    QStringList lines;
    if (!readProfileLines(path, lines)) {
        if (error)
            *error = GatewayTexts::profileNotRead(profileName, path);
        return std::nullopt;
    }
    for (const QString &line : lines) {
        if (line == QLatin1String("[CACHE]"))
            kind = ServerProfile::Kind::Cache;
        const QString key = GetPiece(line, QLatin1Char('='), 1);
        const QString value = GetPiece(line, QLatin1Char('='), 2);
        if (key == QLatin1String("NAMESPACE"))
            cache.nameSpace = value;
        else if (key == QLatin1String("PORTCACHE"))
            cache.port = value;
        else if (key == QLatin1String("SERVERCACHE"))
            cache.host = value;
        else if (key == QLatin1String("MSMHOST"))
            msm.host = value;
        else if (key == QLatin1String("MSMPORT"))
            msm.port = value;
        else if (key == QLatin1String("MSMNAMESPACE"))
            msm.nameSpace = value;
        else if (key == QLatin1String("TLS"))
            tls = value == QLatin1String("1");
    }
    ServerProfile &server = kind == ServerProfile::Kind::Cache ? cache : msm;
    server.tls = tls;
    // Without the host of its kind the profile names no server at all.
    if (server.host.isEmpty()) {
        if (error)
            *error = GatewayTexts::profileKeyMissing(profileName, path,
                                                     kind == ServerProfile::Kind::Cache
                                                         ? QStringLiteral("SERVERCACHE")
                                                         : QStringLiteral("MSMHOST"));
        return std::nullopt;
    }

    record.ServerKind = kind;
    record.NamespaceName = cache.nameSpace;
    record.ServerTls = tls;
    if (kind == ServerProfile::Kind::Cache)
        record.ConnectionString = QStringLiteral("CN_IPTCP:") + cache.host + QLatin1Char('[') +
                                  cache.port + QLatin1Char(']');
    return server;
}
