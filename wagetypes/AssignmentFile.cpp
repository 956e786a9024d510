#include "wagetypes/AssignmentFile.h"

#include <QSet>
#include <QStringList>

namespace AssignmentFile {

namespace {
void escape(const QString &text, QString &out) {
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(';')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c.unicode() < 32 || c.unicode() == 127) {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
}
} // namespace

QString line(const QString &key, const QString &value) {
    QString out;
    escape(key, out);
    out += QLatin1Char(';');
    escape(value, out);
    return out;
}

Parsed parse(const QString &text) {
    Parsed parsed;
    QSet<QString> seen;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString raw = lines.at(n);
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (raw.isEmpty())
            continue;
        const auto fail = [&](const QString &why) {
            parsed.error = QStringLiteral("Zeile %1 der Sicherung: %2").arg(n + 1).arg(why);
            parsed.entries.clear();
            return parsed;
        };
        QString fields[2];
        int field = 0;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            const QChar c = raw.at(i);
            if (c == QLatin1Char(';')) {
                if (++field > 1)
                    return fail(QStringLiteral("mehr als ein „;“ ohne vorangestellten \\."));
                continue;
            }
            if (c != QLatin1Char('\\')) {
                fields[field] += c;
                continue;
            }
            const QChar next = i + 1 < raw.size() ? raw.at(i + 1) : QChar();
            if (next == QLatin1Char('\\') || next == QLatin1Char(';')) {
                fields[field] += next;
                ++i;
                continue;
            }
            bool ok = false;
            const uint code = next == QLatin1Char('x') ? raw.mid(i + 2, 2).toUInt(&ok, 16) : 0;
            if (!ok || raw.mid(i + 2, 2).size() != 2)
                return fail(QStringLiteral("„\\“ steht nicht vor \\, ; oder xHH."));
            fields[field] += QChar(char16_t(code));
            i += 3;
        }
        if (field != 1)
            return fail(QStringLiteral("es fehlt das „;“ zwischen Lohnart und Zuordnung."));
        if (fields[0].isEmpty())
            return fail(QStringLiteral("die Lohnart ist leer."));
        if (seen.contains(fields[0]))
            return fail(QStringLiteral("die Lohnart %1 steht ein zweites Mal.").arg(fields[0]));
        seen.insert(fields[0]);
        parsed.entries.append({fields[0], fields[1]});
    }
    parsed.ok = true;
    return parsed;
}

} // namespace AssignmentFile
