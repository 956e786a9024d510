#include "gateway/Logon.h"

#include "gateway/GetPiece.h"
#include "gateway/ServerCharset.h"

LogonValues logonValuesFromCommandLine(const QString &argumentText) {
    const QChar blank(u' ');
    LogonValues values;
    values.company = GetPiece(argumentText, blank, 1);
    values.branch = GetPiece(argumentText, blank, 2);
    values.passedFiscalYear = GetPiece(argumentText, blank, 3);
    values.password = GetPiece(argumentText, blank, 4);
    values.profile = GetPiece(argumentText, blank, 5);
    return values;
}

QString ScramblePassword(const QString &text) {
    static const std::optional<ServerCharset> ansi =
        ServerCharset::byName(QStringLiteral("windows-1252"));
    constexpr char key = char(0x81);
    QString result;
    result.reserve(text.size());
    QByteArray byte;
    for (const QChar c : text) {
        byte.resize(0);
        if (!ansi->encode(QStringView(&c, 1), byte, nullptr)) {
            result += c;
            continue;
        }
        byte[0] = char(byte[0] ^ key);
        result += ansi->decode(byte);
    }
    return result;
}

namespace {
bool plainNumber(const QString &text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString numberProblem(const QString &company, const QString &branch) {
    const auto problem = [](const QString &field, const QString &value) {
        if (!plainNumber(value))
            return QStringLiteral("Die %1 \u201E%2\u201C ist keine Nummer; bitte nur Ziffern "
                                  "eingeben. Es wurde nichts an den ERP-Server gesendet.")
                .arg(field, value);
        if (logonNumber(value).size() > maxLogonDigits)
            return QStringLiteral("Die %1 \u201E%2\u201C ist zu lang: eine Nummer darf höchstens "
                                  "%3 Ziffern haben. Es wurde nichts an den ERP-Server gesendet.")
                .arg(field, value)
                .arg(maxLogonDigits);
        return QString();
    };
    const QString first = problem(QStringLiteral("Firma"), company);
    return first.isEmpty() ? problem(QStringLiteral("Filiale"), branch) : first;
}
} // namespace

QString logonValueProblem(const LogonValues &values, const QString &charset) {
    const QString numbers = numberProblem(values.company, values.branch);
    if (!numbers.isEmpty())
        return numbers;
    if (values.password.size() > maxPasswordLength)
        return QStringLiteral("Das Passwort ist mit %1 Zeichen zu lang: erlaubt sind höchstens %2 "
                              "Zeichen. Es wurde nichts an den ERP-Server gesendet.")
            .arg(values.password.size())
            .arg(maxPasswordLength);
    const std::optional<ServerCharset> serverCharset = ServerCharset::byName(charset);
    QByteArray encoded;
    if (serverCharset && !serverCharset->encode(values.password, encoded, nullptr))
        return QStringLiteral("Das Passwort enthält ein Zeichen, das der ERP-Server nicht "
                              "kennt (Zeichensatz %1); bitte nur Zeichen dieses Zeichensatzes "
                              "verwenden. Es wurde nichts an den ERP-Server gesendet.")
            .arg(charset);
    return QString();
}

QString logonNumber(const QString &digits) {
    qsizetype first = 0;
    while (first + 1 < digits.size() && digits[first] == u'0')
        ++first;
    return digits.mid(first);
}
