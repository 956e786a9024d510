#include "gateway/ServerProfile.h"

#include "gateway/GatewaySettings.h"
#include "gateway/GetPiece.h"
#include "gateway/LogonRecord.h"

#include <QFile>

QString profilePath(const QString &profileName) {
    const QString windowsDirectory = qEnvironmentVariable("windir");
    const QString directory = windowsDirectory.isEmpty() ? profileDirectory() : windowsDirectory;
    return directory + QLatin1Char('/') + profileName + QStringLiteral(".mco");
}

bool readProfileLines(const QString &path, QStringList &lines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    lines.clear();
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        if (raw.endsWith('\n'))
            raw.chop(1);
        if (raw.endsWith('\r'))
            raw.chop(1);
        raw.replace(' ', QByteArray());
        lines.append(QString::fromUtf8(raw));
    }
    return true;
}

bool ReadServerProfile(const QString &profileName) {
    // The defaults are set anew at every reading, even one that fails.
    LogonRecord &record = logonRecord();
    record.ServerKind = QStringLiteral("msm");
    record.NamespaceName = QStringLiteral("KORVEX");
    record.ServerTls = false;
    QString port = QStringLiteral("1972");
    QString nameSpace = record.NamespaceName;
    QString host;
    QString kind = record.ServerKind;
    bool tls = false;

    QStringList lines;
    if (!readProfileLines(profilePath(profileName), lines))
        return false;
    for (const QString &line : lines) {
        if (line == QLatin1String("[CACHE]"))
            kind = QStringLiteral("cache");
        const QString key = GetPiece(line, QLatin1Char('='), 1);
        const QString value = GetPiece(line, QLatin1Char('='), 2);
        if (key == QLatin1String("NAMESPACE"))
            nameSpace = value;
        else if (key == QLatin1String("PORTCACHE"))
            port = value;
        else if (key == QLatin1String("SERVERCACHE"))
            host = value;
        else if (key == QLatin1String("TLS"))
            tls = value == QLatin1String("1");
    }

    record.ServerKind = kind;
    record.NamespaceName = nameSpace;
    record.ServerTls = tls;
    if (kind == QLatin1String("cache"))
        record.ConnectionString =
            QStringLiteral("CN_IPTCP:") + host + QLatin1Char('[') + port + QLatin1Char(']');
    return true;
}
