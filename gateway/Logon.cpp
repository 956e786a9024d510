#include "gateway/Logon.h"

#include "gateway/GetPiece.h"
#include "gateway/MumpsString.h"
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
} // namespace

QString logonValueProblem(const QString &company, const QString &branch) {
    const auto problem = [](const QString &field, const QString &value) {
        return QStringLiteral("Die %1 \u201E%2\u201C ist keine Nummer; bitte nur Ziffern "
                              "eingeben. Es wurde nichts an den ERP-Server gesendet.")
            .arg(field, value);
    };
    if (!plainNumber(company))
        return problem(QStringLiteral("Firma"), company);
    if (!plainNumber(branch))
        return problem(QStringLiteral("Filiale"), branch);
    return QString();
}

QString passwordCheckLine(const QString &company, const QString &branch, const QString &password) {
    return QStringLiteral("D PASS^%ONLCL0(") + company + QLatin1Char(',') + branch +
           QLatin1Char(',') + mumpsString(password) + QLatin1Char(')');
}
