#include "export/RecordCheck.h"

#include "gateway/ServerCharset.h"

#include <utility>

RecordCheck::RecordCheck(std::function<bool(QChar)> encodable)
    : encodable_(std::move(encodable))
    , known_(0x10000, 0) {}

bool RecordCheck::encodable(QChar c) const {
    if (c.unicode() < 128)
        return true;
    std::uint8_t &known = known_[c.unicode()];
    if (known == 0)
        known = encodable_(c) ? 1 : 2;
    return known == 1;
}

QString RecordCheck::problem(QStringView value) const {
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('`'))
            return QStringLiteral("enthält ein Backquote-Zeichen (`), das die Felder des "
                                  "Datensatzes trennt");
        if (encodable(c))
            continue;
        char32_t code = c.unicode();
        QString shown(c);
        if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, value[i + 1]);
            shown = value.mid(i, 2).toString();
        }
        return QStringLiteral("enthält das Zeichen „%1“ (U+%2), das der Zeichensatz des "
                              "ERP-Servers nicht darstellen kann")
            .arg(shown, QStringLiteral("%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper());
    }
    return QString();
}

RecordCheck RecordCheck::forServer(const QString &charsetName) {
    // An unknown set name passes plain ASCII only: the gateway refuses every line with its own
    // message then anyway.
    return RecordCheck([charset = ServerCharset::byName(charsetName)](QChar c) {
        QByteArray bytes;
        return charset && charset->encode(QStringView(&c, 1), bytes, nullptr);
    });
}
