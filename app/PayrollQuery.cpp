#include "app/PayrollQuery.h"

#include "app/Decimal.h"

#include <QDateTime>
#include <QLocale>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>

#include <sqlite3.h>

PayrollQuery::PayrollQuery(const QSqlDatabase &db)
    : query(db) {
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
}

bool PayrollQuery::exec(const QString &statement) {
    kinds.clear();
    failed = !query.exec(statement);
    if (!failed)
        learnColumnKinds();
    return !failed;
}

namespace {
// SQLite keeps no types of its own; the declared type of the column says what the text means.
const char *sqliteDeclaredType(const QSqlQuery &query, int column) {
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    sqlite3_stmt *stmt = *static_cast<sqlite3_stmt *const *>(handle.constData());
    return stmt ? sqlite3_column_decltype(stmt, column) : nullptr;
}
} // namespace

void PayrollQuery::learnColumnKinds() {
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        Kind kind = Kind::AsIs;
        if (const char *declared = sqliteDeclaredType(query, i)) {
            const QByteArray type = QByteArray(declared).toUpper();
            if (type.contains("DATETIME") || type.contains("TIMESTAMP"))
                kind = Kind::DateTime;
            else if (type.contains("DATE"))
                kind = Kind::Date;
            else if (type.contains("DEC") || type.contains("NUMERIC") || type.contains("MONEY") ||
                     type.contains("REAL") || type.contains("FLOA") || type.contains("DOUB"))
                kind = Kind::Decimal;
        } else {
            switch (record.field(i).metaType().id()) {
            case QMetaType::Double:
            case QMetaType::Float:
                kind = Kind::Decimal;
                break;
            case QMetaType::QDate:
                kind = Kind::Date;
                break;
            case QMetaType::QDateTime:
                kind = Kind::DateTime;
                break;
            default:
                break;
            }
        }
        kinds.append(kind);
    }
}

bool PayrollQuery::next() {
    if (failed)
        return false;
    if (query.next())
        return true;
    failed = query.lastError().isValid();
    return false;
}

QVariant PayrollQuery::value(int column) const {
    QVariant v = query.value(column);
    if (v.isNull() || column < 0 || column >= kinds.size())
        return v;
    const bool isText = v.typeId() == QMetaType::QString;
    switch (kinds.at(column)) {
    case Kind::Decimal: {
        // SQLite keeps such columns as binary doubles; their shortest round-trip text is the
        // decimal that was stored.
        const bool isDouble = v.typeId() == QMetaType::Double;
        if (isText || isDouble) {
            const Decimal d = Decimal::fromText(
                isDouble ? QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest)
                         : v.toString());
            if (d.isValid())
                return QVariant::fromValue(d);
        }
        return v;
    }
    case Kind::Date:
        if (isText) {
            const QString text = v.toString();
            const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
            if (date.isValid() && (text.size() == 10 || text.mid(10).trimmed().isEmpty()))
                return date;
            QDateTime dt = QDateTime::fromString(
                QString(text).replace(QLatin1Char(' '), QLatin1Char('T')), Qt::ISODate);
            if (dt.isValid())
                return dt;
        }
        return v;
    case Kind::DateTime:
        if (isText) {
            QString text = v.toString();
            if (text.size() > 10 && text.at(10) == QLatin1Char(' '))
                text[10] = QLatin1Char('T');
            const QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
            if (dt.isValid())
                return dt;
        }
        return v;
    case Kind::AsIs:
        return v;
    }
    return v;
}

QString PayrollQuery::error() const {
    const QSqlError e = query.lastError();
    return e.isValid() ? e.text() : QString();
}
