#pragma once

#include "demo/payroll/DemoPayroll.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A working folder with a demo payroll database and the demo kwp1.sql, made the current
// directory for its lifetime (the program reads kwp1.sql from there).
class DemoFolder {
public:
    explicit DemoFolder(const DemoOptions &options = standardOptions())
        : previous(QDir::currentPath()) {
        const DemoResult result = writeDemoPayrollFile(databasePath(), options);
        if (!result.ok)
            qFatal("demo database: %s", qPrintable(result.error));
        lines = result.lines;
        QFile::copy(sourceDir() + QStringLiteral("/demo/kwp1.sql"), dir.filePath("kwp1.sql"));
        QDir::setCurrent(dir.path());
    }
    ~DemoFolder() { QDir::setCurrent(previous); }

    static QString sourceDir() { return qEnvironmentVariable("KWP_SOURCE_DIR"); }
    static DemoOptions standardOptions() {
        DemoOptions options;
        options.lastPeriod = QStringLiteral("202402");
        options.months = 3;
        options.employees = 40;
        options.seed = 7;
        options.wageTypesFile = sourceDir() + QStringLiteral("/demo/wagetypes.txt");
        return options;
    }
    QString databasePath() const { return dir.filePath("payroll.sqlite"); }
    QString path(const QString &name) const { return dir.filePath(name); }
    void writeQuery(const QByteArray &text) const {
        QFile file(dir.filePath("kwp1.sql"));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
    }

    qint64 lines = 0;

private:
    QTemporaryDir dir;
    QString previous;
};
