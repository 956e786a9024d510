#include "gateway/ServerCharset.h"

#include <QStringDecoder>

namespace {
// Bytes 0x80-0x9F of windows-1252. The five bytes the code page leaves undefined map to the
// C1 controls of the same value, as Windows does, so that every byte survives a round trip.
const char16_t windows1252UpperHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
const char16_t latin1UpperHalf[32] = {
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F};

QString unencodable(QStringView text, qsizetype at, const QString &charset) {
    char32_t code = text[at].unicode();
    QString shown = text.mid(at, 1).toString();
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text[at], text[at + 1]);
        shown = text.mid(at, 2).toString();
    }
    const QString hex = QString::number(uint(code), 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral("Das Zeichen \u201E%1\u201C (U+%2) an Stelle %3 kann im Zeichensatz "
                          "des ERP-Servers (%4) nicht dargestellt werden. Die Zeile wurde nicht "
                          "gesendet.")
        .arg(shown, hex, QString::number(at + 1), charset);
}
} // namespace

std::optional<ServerCharset> ServerCharset::byName(const QString &name) {
    const QString key = name.trimmed().toLower();
    if (key == QLatin1String("windows-1252") || key == QLatin1String("cp1252"))
        return windows1252();
    if (key == QLatin1String("iso-8859-1") || key == QLatin1String("latin1"))
        return ServerCharset(QStringLiteral("iso-8859-1"), latin1UpperHalf);
    return std::nullopt;
}

const ServerCharset &ServerCharset::windows1252() {
    static const ServerCharset charset(QStringLiteral("windows-1252"), windows1252UpperHalf);
    return charset;
}

ServerCharset::ServerCharset(const QString &name, const char16_t *upperHalf)
    : m_name(name) {
    m_fromLatin1.fill(-1);
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t unicode =
            byte >= 0x80 && byte < 0xA0 ? upperHalf[byte - 0x80] : char16_t(byte);
        m_toUnicode[byte] = unicode;
        if (unicode < 0x100)
            m_fromLatin1[unicode] = qint16(byte);
        else
            m_fromOthers[m_otherCount++] = {unicode, char(byte)};
    }
}

bool ServerCharset::encode(QStringView text, QByteArray &out, QString *error) const {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *target = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unicode = text[i].unicode();
        int byte = -1;
        if (unicode < 0x100) {
            byte = m_fromLatin1[unicode];
        } else {
            for (int k = 0; k < m_otherCount; ++k) {
                if (m_fromOthers[k].first == unicode) {
                    byte = uchar(m_fromOthers[k].second);
                    break;
                }
            }
        }
        if (byte < 0) {
            out.resize(start + i);
            if (error)
                *error = unencodable(text, i, m_name);
            return false;
        }
        target[i] = char(byte);
    }
    return true;
}

void ServerCharset::decode(const char *bytes, qsizetype size, QString &out) const {
    out.resize(size);
    QChar *target = out.data();
    for (qsizetype i = 0; i < size; ++i)
        target[i] = QChar(m_toUnicode[uchar(bytes[i])]);
}

QString ServerCharset::decode(const QByteArray &bytes) const {
    QString out;
    decode(bytes.constData(), bytes.size(), out);
    return out;
}

QString decodeWindowsText(const QByteArray &bytes) {
    static constexpr char byteOrderMark[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(byteOrderMark))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3));
    // Stateless: a sequence cut off at the end of the file is an error, not a pending state.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return ServerCharset::windows1252().decode(bytes);
}
