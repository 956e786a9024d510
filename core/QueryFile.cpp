#include "core/QueryFile.h"

#include "core/Period.h"
#include "gateway/ServerCharset.h"

#include <QFile>

QString normaliseQueryLines(const QString &raw) {
    QString text;
    text.reserve(raw.size() + raw.size() / 20 + 2);
    qsizetype start = 0;
    const qsizetype n = raw.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && raw.at(end) != QLatin1Char('\r') && raw.at(end) != QLatin1Char('\n'))
            ++end;
        text += QStringView(raw).mid(start, end - start);
        text += QLatin1String("\r\n");
        if (end < n && raw.at(end) == QLatin1Char('\r') && end + 1 < n &&
            raw.at(end + 1) == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return text;
}

QueryFileText readQueryFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, {}, QStringLiteral("%1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {false, {}, QStringLiteral("%1: %2").arg(path, file.errorString())};
    return {true, normaliseQueryLines(decodeWindowsText(bytes)), {}};
}

namespace {
bool replaceFirst(QString &text, QLatin1StringView placeholder, const QString &value) {
    const qsizetype at = text.indexOf(placeholder);
    if (at < 0)
        return false;
    text.replace(at, placeholder.size(), value);
    return true;
}
} // namespace

Statement substituteQuery(const QString &query, const QString &period, const QString &clientKeys) {
    const QString problem = periodProblem(period);
    if (!problem.isEmpty())
        return {false, {}, problem + QStringLiteral(" Es wurden keine Daten gelesen."), {}};
    QString text = query;
    for (const auto &[placeholder, value] :
         {std::pair{QLatin1StringView(periodPlaceholder), period},
          std::pair{QLatin1StringView(clientPlaceholder), clientKeys}}) {
        if (!replaceFirst(text, placeholder, value))
            return {false,
                    {},
                    QStringLiteral("Die Abfragedatei \u201E%1\u201C enthält den Platzhalter "
                                   "\u201E%2\u201C nicht. Ohne ihn kann die Abfrage nicht "
                                   "gebildet werden; es wurden keine Daten gelesen.")
                        .arg(QLatin1String(queryFileName), placeholder),
                    QStringLiteral("placeholder %1 missing").arg(placeholder)};
    }
    return {true, text, {}, {}};
}
