#include "export/ExportRecords.h"

#include "core/Conversions.h"
#include "core/Decimal.h"
#include "core/PayrollDatabase.h"

#include <QDate>
#include <QDir>

QString openingRecord(const QString &clientKeyList, const QString &period) {
    return clientKeyList + QStringLiteral("```") + period;
}

QString regionalSettingsProblem(const QLocale &locale) {
    // What travels is what counts, so the probe goes through the records' own conversion.
    const QString number = QStringLiteral("-1234,5");
    const QString date = QStringLiteral("01.03.2024");
    ValueConverter converter(locale);
    const QString numberText =
        converter.general(QVariant::fromValue(Decimal::fromText(QStringLiteral("-1234.5"))));
    const QString dateText = converter.general(QDate(2024, 3, 1));
    if (numberText == number && dateText == date)
        return QString();
    return QStringLiteral("Mit den Regionaleinstellungen dieses Arbeitsplatzes (%1) würden Zahlen "
                          "als \u201E%2\u201C und Datumsangaben als \u201E%3\u201C gesendet; der "
                          "ERP-Server erwartet \u201E%4\u201C und \u201E%5\u201C. Bitte die "
                          "Regionaleinstellungen auf Deutsch (Deutschland oder Österreich) stellen "
                          "oder in der Einstellungsdatei \u201E%6\u201C unter [Regional] die "
                          "Zeile Locale=de_DE eintragen.")
        .arg(locale.name(), numberText, dateText, number, date,
             QDir::toNativeSeparators(payrollIniPath()));
}
