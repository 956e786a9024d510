#include "wagetypes/AssignmentFile.h"

#include "wagetypes/WageTypeTexts.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace AssignmentFile {

namespace {
const QString head = QStringLiteral("KWP-Import Lohnarten-Zuordnung, Format 1");
const QString lastLinePrefix = QStringLiteral("Ende der Sicherung, Einträge: ");

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

// One entry line; false with the reason in *error.
bool parseEntry(const QString &raw, Entry &entry, QString *error) {
    QString fields[2];
    int field = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c == QLatin1Char(';')) {
            if (++field > 1) {
                *error = WageTypeTexts::backupTwoSeparators();
                return false;
            }
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
        if (!ok || raw.mid(i + 2, 2).size() != 2) {
            *error = WageTypeTexts::backupBadEscape();
            return false;
        }
        fields[field] += QChar(char16_t(code));
        i += 3;
    }
    if (field != 1) {
        *error = WageTypeTexts::backupNoSeparator();
        return false;
    }
    if (fields[0].isEmpty()) {
        *error = WageTypeTexts::backupEmptyKey();
        return false;
    }
    entry = {fields[0], fields[1]};
    return true;
}
} // namespace

QString line(const QString &key, const QString &value) {
    QString out;
    escape(key, out);
    out += QLatin1Char(';');
    escape(value, out);
    return out;
}

QString text(const QList<Entry> &entries) {
    QString out = head + QLatin1Char('\n');
    for (const Entry &entry : entries)
        out += line(entry.key, entry.value) + QLatin1Char('\n');
    return out + lastLinePrefix + QString::number(entries.size()) + QLatin1Char('\n');
}

Parsed parse(const QString &text) {
    Parsed parsed;
    const auto fail = [&parsed](const QString &why) {
        parsed.error = why;
        parsed.entries.clear();
        return parsed;
    };
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &raw : lines)
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF)))
        lines.first().remove(0, 1);
    if (text.trimmed().isEmpty())
        return fail(WageTypeTexts::backupEmpty(head));
    if (lines.first() != head)
        return fail(WageTypeTexts::backupForeign(head));
    // A whole file ends with its last line and that line's end.
    static const QRegularExpression countLine(
        QStringLiteral("^%1(\\d{1,9})$").arg(QRegularExpression::escape(lastLinePrefix)));
    const QRegularExpressionMatch count = lines.size() >= 3 && lines.last().isEmpty()
                                              ? countLine.match(lines.at(lines.size() - 2))
                                              : QRegularExpressionMatch();
    if (!count.hasMatch())
        return fail(WageTypeTexts::backupCut(lastLinePrefix + QLatin1Char('N')));

    QSet<QString> seen;
    for (qsizetype n = 1; n < lines.size() - 2; ++n) {
        if (lines.at(n).isEmpty())
            continue;
        Entry entry;
        QString why;
        if (!parseEntry(lines.at(n), entry, &why))
            return fail(WageTypeTexts::backupLine(n + 1, why));
        if (seen.contains(entry.key))
            return fail(WageTypeTexts::backupLine(n + 1, WageTypeTexts::backupKeyTwice(entry.key)));
        seen.insert(entry.key);
        parsed.entries.append(entry);
    }
    const qsizetype named = count.captured(1).toLongLong();
    if (named != parsed.entries.size())
        return fail(WageTypeTexts::backupCountDiffers(named, parsed.entries.size()));
    parsed.ok = true;
    return parsed;
}

} // namespace AssignmentFile
