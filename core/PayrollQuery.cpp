#include "core/PayrollQuery.h"

#include "core/Decimal.h"

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

// "YYYY-MM-DD" read directly: the preview reads many thousands of them.
QDate isoDate(QStringView text) {
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    int parts[3] = {0, 0, 0};
    const int from[3] = {0, 5, 8};
    const int length[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < length[p]; ++i) {
            const char16_t c = text[from[p] + i].unicode();
            if (c < u'0' || c > u'9')
                return {};
            parts[p] = parts[p] * 10 + (c - u'0');
        }
    return QDate(parts[0], parts[1], parts[2]);
}

// "YYYY-MM-DD HH:MM[:SS[.fff]]", with a blank or a "T" between date and time.
QDateTime isoDateTime(const QString &text) {
    const QDate date = isoDate(text);
    if (!date.isValid())
        return {};
    if (text.size() == 10)
        return QDateTime(date, QTime(0, 0));
    if (text[10] != u' ' && text[10] != u'T')
        return {};
    const QTime time = QTime::fromString(text.mid(11), Qt::ISODateWithMs);
    return time.isValid() ? QDateTime(date, time) : QDateTime();
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
    case Kind::Decimal:
        // Text from the driver (ODBC, high precision) is the exact decimal. SQLite hands over
        // the binary double it stores; the conversions read it in its shortest form.
        if (isText) {
            const Decimal d = Decimal::fromText(v.toString());
            if (d.isValid())
                return QVariant::fromValue(d);
        }
        return v;
    case Kind::Date:
        if (isText) {
            const QString text = v.toString();
            const QDate date = isoDate(text);
            if (date.isValid() && text.size() == 10)
                return date;
            const QDateTime dt = isoDateTime(text);
            if (dt.isValid())
                return dt.time() == QTime(0, 0) ? QVariant(dt.date()) : QVariant(dt);
        }
        return v;
    case Kind::DateTime:
        if (isText) {
            const QDateTime dt = isoDateTime(v.toString());
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
