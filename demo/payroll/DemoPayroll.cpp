#include "demo/payroll/DemoPayroll.h"

#include "core/Period.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
// A small generator of our own: std:: distributions differ between libraries.
class Dice {
public:
    explicit Dice(quint32 seed)
        : state(seed * 2654435761u + 0x9E3779B9u) {}
    quint32 next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % quint32(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T &pick(const QList<T> &list) {
        return list.at(below(int(list.size())));
    }

private:
    quint32 state;
};

const QList<QString> surnames = {
    QStringLiteral("Müller"),  QStringLiteral("Gruber"),     QStringLiteral("Huber"),
    QStringLiteral("Wagner"),  QStringLiteral("Pichler"),    QStringLiteral("Moser"),
    QStringLiteral("Mayer"),   QStringLiteral("Hofer"),      QStringLiteral("Bauer"),
    QStringLiteral("Steiner"), QStringLiteral("Weiß"),       QStringLiteral("Köhler"),
    QStringLiteral("Größing"), QStringLiteral("Pölzl"),      QStringLiteral("Jäger"),
    QStringLiteral("Lehner"),  QStringLiteral("Wimmer"),     QStringLiteral("Zöchling"),
    QStringLiteral("Krämer"),  QStringLiteral("Höller"),     QStringLiteral("Kößler"),
    QStringLiteral("Fuchs"),   QStringLiteral("D'Agostino"), QStringLiteral("Yılmaz"),
    QStringLiteral("Novák"),   QStringLiteral("Horváth"),    QStringLiteral("Schönberger")};
const QList<QString> womenNames = {
    QStringLiteral("Anna"),   QStringLiteral("Maria"), QStringLiteral("Theresa"),
    QStringLiteral("Sophie"), QStringLiteral("Lena"),  QStringLiteral("Bärbel"),
    QStringLiteral("Hannah"), QStringLiteral("Zoë"),   QStringLiteral("Elisabeth")};
const QList<QString> menNames = {
    QStringLiteral("Lukas"),    QStringLiteral("Jörg"),    QStringLiteral("Stefan"),
    QStringLiteral("Andreas"),  QStringLiteral("Günther"), QStringLiteral("Thomas"),
    QStringLiteral("Matthäus"), QStringLiteral("Florian"), QStringLiteral("Ömer")};

struct Client {
    int id;
    QString name;
    int share; // of the regular staff, in percent
};
const QList<Client> clients = {{1, QStringLiteral("Holding Verwaltung GmbH"), 5},
                               {3, QStringLiteral("Alpenland Handels GmbH"), 55},
                               {5, QStringLiteral("Donaubau Gesellschaft m.b.H."), 8},
                               {42, QStringLiteral("Gasthof Zur Post Ötztal KG"), 7},
                               {999, QStringLiteral("Lohnverrechnung Übungsmandant"), 25}};

struct Employee {
    int client = 0;
    int number = 0;
    int bv = 0;
    QString surname, forename, svnr, citizenship, sex, maritalStatus, kind, leavingReason;
    QDate born, entered, left; // left invalid: still employed
    qint64 monthlyCents = 0;   // salary, or hourly rate for workers
};

QString quoted(const QString &text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

QString dateLiteral(const QDate &date) {
    return date.isValid() ? quoted(date.toString(Qt::ISODate)) : QStringLiteral("NULL");
}

QString textLiteral(const QString &text) {
    return text.isEmpty() ? QStringLiteral("NULL") : quoted(text);
}

// Cents (or tenths with scale 1) as an exact decimal literal.
QString amount(qint64 units, int scale = 2) {
    const bool negative = units < 0;
    const qint64 a = negative ? -units : units;
    qint64 divisor = 1;
    for (int i = 0; i < scale; ++i)
        divisor *= 10;
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(a / divisor)
        .arg(a % divisor, scale, 10, QLatin1Char('0'));
}

// Austrian social-insurance number: three serial digits, a check digit, the birth date DDMMYY.
QString socialInsuranceNumber(Dice &dice, const QDate &born) {
    static const int weights[10] = {3, 7, 9, 0, 5, 8, 4, 2, 1, 6};
    for (;;) {
        const QString text = QStringLiteral("%1").arg(dice.between(100, 999)) + QLatin1Char('0') +
                             born.toString(QStringLiteral("ddMMyy"));
        int sum = 0;
        for (int i = 0; i < 10; ++i)
            sum += (text.at(i).unicode() - '0') * weights[i];
        const int check = sum % 11;
        if (check == 10)
            continue;
        QString result = text;
        result[3] = QLatin1Char(char('0' + check));
        return result;
    }
}

Employee makeEmployee(Dice &dice, int client, int number, const QDate &first, const QDate &last) {
    Employee e;
    e.client = client;
    e.number = number;
    e.bv = dice.between(1, 3);
    e.sex = dice.chance(48) ? QStringLiteral("W") : QStringLiteral("M");
    e.surname = dice.pick(surnames);
    e.forename = e.sex == QLatin1String("W") ? dice.pick(womenNames) : dice.pick(menNames);
    e.born = QDate(dice.between(1958, 2006), dice.between(1, 12), dice.between(1, 28));
    e.svnr = socialInsuranceNumber(dice, e.born);
    static const QList<QString> citizenships = {
        QStringLiteral("A"), QStringLiteral("A"),  QStringLiteral("A"),  QStringLiteral("A"),
        QStringLiteral("D"), QStringLiteral("HR"), QStringLiteral("TR"), QStringLiteral("SK")};
    e.citizenship = dice.pick(citizenships);
    static const QList<QString> marital = {QStringLiteral("ledig"), QStringLiteral("verh."),
                                           QStringLiteral("gesch."), QStringLiteral("verw.")};
    e.maritalStatus = marital.at(dice.below(10) < 5   ? 0
                                 : dice.below(10) < 8 ? 1
                                                      : dice.between(2, 3));
    const int age = last.year() - e.born.year();
    e.kind = age < 19          ? QStringLiteral("Lehrl.")
             : dice.chance(60) ? QStringLiteral("Ang.")
                               : QStringLiteral("Arb.");
    const QDate earliest = e.born.addYears(15);
    if (dice.chance(15))
        e.entered = first.addDays(dice.between(0, int(first.daysTo(last))));
    else
        e.entered =
            QDate(qMax(earliest.year(), dice.between(1990, first.year())), dice.between(1, 12), 1);
    if (e.entered < earliest)
        e.entered = earliest;
    if (dice.chance(10)) {
        const QDate from = qMax(first, e.entered);
        if (from < last) {
            e.left = from.addDays(dice.between(20, int(qMax<qint64>(20, from.daysTo(last)))));
            if (e.left > last)
                e.left = QDate();
        }
        static const QList<QString> reasons = {QStringLiteral("K"), QStringLiteral("AN"),
                                               QStringLiteral("EV"), QStringLiteral("Z")};
        if (e.left.isValid())
            e.leavingReason = dice.pick(reasons);
    }
    if (e.kind == QLatin1String("Lehrl."))
        e.monthlyCents = dice.between(75000, 125000);
    else if (e.kind == QLatin1String("Arb."))
        e.monthlyCents = dice.between(1450, 2600); // per hour
    else
        e.monthlyCents = dice.between(210000, 720000);
    return e;
}

struct Line {
    int wageType;
    qint64 countHundredths; // < 0: NULL
    qint64 rateCents;       // < 0 with count NULL: NULL
    qint64 amountCents;
};

QList<Line> linesOf(Dice &dice, const Employee &e, const QDate &month) {
    QList<Line> lines;
    if (e.kind == QLatin1String("Arb.")) {
        const qint64 hours = dice.between(14000, 17300);
        lines.append({101, hours, e.monthlyCents, hours * e.monthlyCents / 100});
    } else {
        lines.append(
            {e.kind == QLatin1String("Lehrl.") ? 105 : 100, 100, e.monthlyCents, e.monthlyCents});
    }
    const qint64 base = lines.first().amountCents;
    if (dice.chance(30)) {
        const qint64 hours = dice.between(100, 2400);
        const qint64 rate = base / 173 * 3 / 2;
        lines.append({110, hours, rate, hours * rate / 100});
    }
    if (dice.chance(8)) {
        const qint64 hours = dice.between(400, 1600);
        const qint64 rate = base / 173 * 2;
        lines.append({111, hours, rate, hours * rate / 100});
    }
    if (dice.chance(10))
        lines.append({115, dice.between(400, 1600), 1250, 0});
    if (month.month() == 6)
        lines.append({120, 100, base, base});
    if (month.month() == 11)
        lines.append({121, 100, base, base});
    if (dice.chance(12)) {
        const qint64 days = dice.between(1, 6) * 100;
        lines.append({130, days, 2640, days * 2640 / 100});
    }
    if (dice.chance(15)) {
        const qint64 km = dice.between(2000, 120000);
        lines.append({131, km, 42, km * 42 / 100});
    }
    if (dice.chance(5))
        lines.append({140, 100, dice.between(5000, 150000), 0});
    if (dice.chance(4))
        lines.append({150, -1, -1, -dice.between(14400, 96000)});
    if (dice.chance(4)) {
        const qint64 days = dice.between(1, 10) * 100;
        lines.append({180, days, base / 30, days * (base / 30) / 100});
    }
    if (e.left.isValid() && e.left.year() == month.year() && e.left.month() == month.month()) {
        const qint64 days = dice.between(0, 200) * 50;
        lines.append({160, days, base / 22, days * (base / 22) / 100});
        if (dice.chance(40))
            lines.append({170, 300, base, 3 * base});
    }
    qint64 gross = 0;
    for (Line &line : lines) {
        if (line.amountCents == 0)
            line.amountCents = line.countHundredths * line.rateCents / 100;
        gross += line.amountCents;
    }
    lines.append({200, -1, -1, gross * 2123 / 10000});
    lines.append({210, -1, -1, gross * 370 / 10000});
    lines.append({220, -1, -1, gross * 300 / 10000});
    return lines;
}

bool run(QSqlDatabase &db, const QString &statement, DemoResult &result) {
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    result.ok = false;
    result.error = query.lastError().text() + QStringLiteral(" in: ") + statement.left(200);
    return false;
}

// Collects rows and sends them as multi-row inserts.
class Inserter {
public:
    Inserter(QSqlDatabase &db, QString table, DemoResult &result)
        : db(db)
        , table(std::move(table))
        , result(result) {}
    bool add(const QString &values) {
        rows.append(QLatin1Char('(') + values + QLatin1Char(')'));
        return rows.size() < 500 || flush();
    }
    bool flush() {
        if (rows.isEmpty())
            return true;
        const QString statement =
            QStringLiteral("insert into %1 values %2").arg(table, rows.join(QLatin1Char(',')));
        rows.clear();
        return run(db, statement, result);
    }

private:
    QSqlDatabase &db;
    QString table;
    DemoResult &result;
    QStringList rows;
};

QList<QPair<int, QString>> readWageTypes(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return {};
    }
    QList<QPair<int, QString>> types;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype sep = trimmed.indexOf(QLatin1Char(';'));
        bool number = false;
        const int id = trimmed.left(sep).toInt(&number);
        if (sep < 0 || !number) {
            *error = path + QStringLiteral(": unreadable line: ") + trimmed;
            return {};
        }
        types.append({id, trimmed.mid(sep + 1)});
    }
    return types;
}
} // namespace

DemoResult writeDemoPayroll(QSqlDatabase &db, const DemoOptions &options) {
    DemoResult result{true, {}, 0};
    if (!isValidPeriod(options.lastPeriod))
        return {false, periodProblem(options.lastPeriod), 0};
    QString error;
    const auto wageTypes = readWageTypes(options.wageTypesFile, &error);
    if (wageTypes.isEmpty())
        return {false, error.isEmpty() ? QStringLiteral("no wage types") : error, 0};

    const QStringList schema = {
        QStringLiteral("create table DG_Data (DG_ID integer primary key, Name varchar(60) not "
                       "null)"),
        QStringLiteral("create table Lohnart (LA_ID integer primary key, Name varchar(60) not "
                       "null)"),
        QStringLiteral("create table Dienstnehmer (DG_ID integer not null, DN_ID integer not "
                       "null, BV_Nr integer not null, Familienname varchar(40) not null, Vorname "
                       "varchar(40) not null, Svnr varchar(10) not null, GebDat date not null, "
                       "Staatsb varchar(3) not null, Geschlecht char(1) not null, FamSt "
                       "varchar(10) not null, DVerh varchar(10) not null, Eintritt date not "
                       "null, Austritt date, AbmGrd varchar(4), primary key (DG_ID, DN_ID))"),
        QStringLiteral("create table FixLA (DG_ID integer not null, DN_ID integer not null, "
                       "Periode integer not null, LA_ID integer not null, Anzahl decimal(12,2), "
                       "Satz decimal(12,2), Betrag decimal(12,2) not null, Urlaub decimal(6,1) "
                       "not null, DGAnteil decimal(12,2) not null)"),
        QStringLiteral("create index FixLA_Periode on FixLA (Periode, DG_ID, DN_ID)")};
    for (const QString &statement : schema)
        if (!run(db, statement, result))
            return result;
    if (!db.transaction())
        return {false, db.lastError().text(), 0};

    Inserter clientRows(db, QStringLiteral("DG_Data"), result);
    for (const Client &client : clients)
        if (!clientRows.add(QStringLiteral("%1,%2").arg(client.id).arg(quoted(client.name))))
            return result;
    Inserter wageTypeRows(db, QStringLiteral("Lohnart"), result);
    for (const auto &[id, name] : wageTypes)
        if (!wageTypeRows.add(QStringLiteral("%1,%2").arg(id).arg(quoted(name))))
            return result;
    if (!clientRows.flush() || !wageTypeRows.flush())
        return result;

    Dice dice(options.seed);
    const QDate last(options.lastPeriod.left(4).toInt(), options.lastPeriod.mid(4).toInt(), 1);
    const QDate first = last.addMonths(1 - qMax(1, options.months));
    QList<Employee> staff;
    QHash<int, int> nextNumber;
    auto hire = [&](int client) {
        const int number = nextNumber.value(client, 1);
        nextNumber[client] = number + 1;
        staff.append(makeEmployee(dice, client, number, first, last.addMonths(1).addDays(-1)));
    };
    for (int i = 0; i < options.employees; ++i) {
        int roll = dice.below(100);
        int client = clients.last().id;
        for (const Client &c : clients) {
            if (roll < c.share) {
                client = c.id;
                break;
            }
            roll -= c.share;
        }
        hire(client);
    }
    const int regular = int(staff.size());

    Inserter lineRows(db, QStringLiteral("FixLA"), result);
    auto writeLines = [&](const Employee &e, const QDate &month, qint64 limit) {
        const qint64 leave = dice.between(0, 300);
        for (const Line &line : linesOf(dice, e, month)) {
            if (limit >= 0 && result.lines >= limit)
                return true;
            const bool hasCount = line.countHundredths >= 0;
            const qint64 share = line.wageType >= 200 ? 0 : line.amountCents * 2123 / 10000;
            if (!lineRows.add(
                    QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9")
                        .arg(e.client)
                        .arg(e.number)
                        .arg(month.toString(QStringLiteral("yyyyMM")))
                        .arg(line.wageType)
                        .arg(hasCount ? amount(line.countHundredths) : QStringLiteral("NULL"))
                        .arg(hasCount ? amount(line.rateCents) : QStringLiteral("NULL"))
                        .arg(amount(line.amountCents))
                        .arg(amount(leave, 1))
                        .arg(amount(share))))
                return false;
            ++result.lines;
        }
        return true;
    };
    auto employed = [](const Employee &e, const QDate &month) {
        const QDate monthEnd = month.addMonths(1).addDays(-1);
        return e.entered <= monthEnd && (!e.left.isValid() || e.left >= month);
    };
    for (QDate month = first; month <= last; month = month.addMonths(1))
        for (int i = 0; i < regular; ++i)
            if (employed(staff.at(i), month) && !writeLines(staff.at(i), month, -1))
                return result;

    // Large periods for benchmarks: temporary staff of clients 3 and 999 until the count is
    // reached.
    const qint64 target = options.bulkLines > 0 ? result.lines + options.bulkLines : 0;
    while (result.lines < target) {
        hire(dice.chance(70) ? 3 : 999);
        Employee &e = staff.last();
        e.entered = qMin(e.entered, first);
        e.left = QDate();
        e.leavingReason.clear();
        if (!writeLines(e, last, target))
            return result;
    }
    if (!lineRows.flush())
        return result;

    Inserter people(db, QStringLiteral("Dienstnehmer"), result);
    for (const Employee &e : std::as_const(staff))
        if (!people.add(QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12,%13,%14")
                            .arg(e.client)
                            .arg(e.number)
                            .arg(e.bv)
                            .arg(quoted(e.surname), quoted(e.forename), quoted(e.svnr),
                                 dateLiteral(e.born), quoted(e.citizenship), quoted(e.sex))
                            .arg(quoted(e.maritalStatus), quoted(e.kind), dateLiteral(e.entered),
                                 dateLiteral(e.left), textLiteral(e.leavingReason))))
            return result;
    if (!people.flush())
        return result;
    if (!db.commit())
        return {false, db.lastError().text(), result.lines};
    return result;
}

DemoResult writeDemoPayrollFile(const QString &path, const DemoOptions &options) {
    if (QFile::exists(path) && !QFile::remove(path))
        return {false, QStringLiteral("cannot replace %1").arg(path), 0};
    const QString name = QStringLiteral("demo-payroll-writer");
    DemoResult result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            result = {false, db.lastError().text(), 0};
        } else {
            result = writeDemoPayroll(db, options);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
