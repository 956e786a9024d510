#include "tests/wagetypes/WageTypeFixture.h"

#include "gateway/ErpGateway.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

LohnartFile::LohnartFile(const Rows &rows, bool textKeys)
    : connection_(QUuid::createUuid().toString()) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path());
        QSqlQuery query(db);
        if (!db.open() ||
            !query.exec(
                QStringLiteral("create table Lohnart (LA_ID %1 primary key, Name "
                               "varchar(60), Gruppe integer)")
                    .arg(textKeys ? QStringLiteral("varchar(2000)") : QStringLiteral("integer")))) {
            error_ = db.lastError().text() + query.lastError().text();
            return;
        }
        query.prepare(QStringLiteral("insert into Lohnart values (?, ?, 7)"));
        for (const auto &[key, name] : rows) {
            query.addBindValue(textKeys ? QVariant(key) : QVariant(key.toLongLong()));
            query.addBindValue(name);
            if (!query.exec())
                error_ = query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        error_ = db.lastError().text();
}

LohnartFile::~LohnartFile() {
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase LohnartFile::database() const {
    return QSqlDatabase::database(connection_, false);
}

AssignmentChannel programChannel(ErpGateway &gateway) {
    return gatewayChannel(gateway);
}

bool setPercent(ErpGateway &gateway) {
    return gateway.ServerExecuteChecked(QStringLiteral("S %=\"`\"")).ok;
}

bool seedAssignment(ErpServerFixture &server, const QList<QPair<QByteArray, QByteArray>> &nodes) {
    if (!server.killGlobal("^PERSP(1,20)"))
        return false;
    for (const auto &[subscripts, value] : nodes) {
        const QByteArray reference =
            subscripts.isEmpty() ? QByteArray("^PERSP(1,20)") : "^PERSP(1,20," + subscripts + ")";
        if (!server.setGlobal(reference, value))
            return false;
    }
    return true;
}

QByteArray storedAssignment(ErpServerFixture &server) {
    return server.evaluate(
        "N r S P0=$S($D(^PERSP(1,20))#2:\"top=\"_^PERSP(1,20)_\"|\",1:\"\"),r=\"^PERSP(1,20)\" "
        "F  S r=$Q(@r) Q:r=\"\"  Q:$QS(r,1)'=1!($QS(r,2)'=20)  S P0=P0_r_\"=\"_@r_\"|\"");
}
