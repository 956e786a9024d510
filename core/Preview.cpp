#include "core/Preview.h"

#include "core/ListGridModel.h"
#include "core/PayrollDatabase.h"
#include "core/PayrollQuery.h"
#include "core/PayrollTexts.h"
#include "core/QueryFile.h"
#include "core/Session.h"

QList<PreviewColumn> designedPreviewColumns() {
    const int left = ListGridModel::Left;
    const int centred = ListGridModel::Centred;
    return {{QStringLiteral("DG-Nr."), 40, left},   {QStringLiteral("DN-Nr."), 40, left},
            {QStringLiteral("BV-Nr."), 40, left},   {QStringLiteral("Periode"), 50, left},
            {QStringLiteral("Abm.Grd."), 60, left}, {QStringLiteral("D-Verh."), 50, left},
            {QStringLiteral("Geb.Dat."), 55, left}, {QStringLiteral("St.Bürg."), 50, left},
            {QStringLiteral("M/W"), 35, left},      {QStringLiteral("Fam.St."), 50, left},
            {QStringLiteral("Eintritt"), 55, left}, {QStringLiteral("Austritt"), 55, centred},
            {QStringLiteral("Urlaub"), 50, left},   {QStringLiteral("DG-Ant."), 60, left},
            {QStringLiteral("L.Art."), 40, left},   {QStringLiteral("Anz."), 55, left},
            {QStringLiteral("Satz"), 60, left},     {QStringLiteral("Betrag"), 60, left}};
}

NumberPattern previewPattern(int resultColumn) {
    switch (resultColumn) {
    case 12:
        return NumberPattern::OneDecimal;
    case 13:
    case 15:
    case 16:
    case 17:
        return NumberPattern::TwoDecimals;
    default:
        return NumberPattern::None;
    }
}

namespace {
// The current record as one preview row text: every value converted, ";" between them.
void appendPreviewRow(QString &row, const PayrollQuery &query, ValueConverter &converter) {
    for (int i = 0; i < query.columnCount(); ++i) {
        if (i > 0)
            row += QLatin1Char(';');
        converter.append(row, query.value(i), previewPattern(i));
    }
}
} // namespace

FillOutcome FillList(ListGridModel &list1, const QString &period, const QString &clientKeys,
                     const QSqlDatabase &db, const QString &query) {
    const Statement statement = substituteQuery(query, period, clientKeys);
    if (!statement.ok)
        return {false, statement.message, statement.details};
    const QString failed = PayrollTexts::previewNotRead();
    PayrollQuery records(db);
    if (!records.exec(statement.text))
        return {false, failed, records.error()};
    ValueConverter converter;
    QList<QString> rows;
    QString row;
    while (records.next()) {
        // Built in one buffer, stored at its exact size: a large preview costs its text only.
        row.resize(0);
        appendPreviewRow(row, records, converter);
        rows.append(QString(row.constData(), row.size()));
    }
    if (!records.error().isEmpty())
        return {false, failed, records.error()};
    const qint64 count = rows.size();
    list1.setRows(std::move(rows));
    return {true, {}, {}, count};
}

FillOutcome FillList(Session &session, ListGridModel &list1, const QString &period,
                     const QString &clientKeys) {
    return FillList(list1, period, clientKeys, session.adocon.database(), session.sqltext);
}
