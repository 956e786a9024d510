#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The folders are the layers: common, gateway, core, widgets, the feature folders, app. A
// folder includes its own headers and those of the folders below it, never a sibling feature
// or a layer above; kwpctl runs without a display and so includes no widgets; nothing but the
// program's own folder includes app/. Tests and benchmarks may include anything.
namespace {

const QHash<QString, QStringList> &allowedBelow() {
    static const QStringList base{QStringLiteral("common"), QStringLiteral("gateway"),
                                  QStringLiteral("core")};
    static const QStringList windows = base + QStringList{QStringLiteral("widgets")};
    static const QHash<QString, QStringList> table{
        {QStringLiteral("common"), {}},
        {QStringLiteral("gateway"), {QStringLiteral("common")}},
        {QStringLiteral("core"), {QStringLiteral("common"), QStringLiteral("gateway")}},
        {QStringLiteral("widgets"), base},
        {QStringLiteral("login"), windows},
        {QStringLiteral("export"), windows},
        {QStringLiteral("wagetypes"), windows},
        {QStringLiteral("about"), windows},
        {QStringLiteral("demo"), base},
        {QStringLiteral("kwpctl"),
         base + QStringList{QStringLiteral("login"), QStringLiteral("export"),
                            QStringLiteral("wagetypes"), QStringLiteral("about")}},
        {QStringLiteral("app"),
         windows + QStringList{QStringLiteral("login"), QStringLiteral("export"),
                               QStringLiteral("wagetypes"), QStringLiteral("about")}},
    };
    return table;
}

// "export/ExportRun.cpp:4 includes app/FMStart.h" for every include that breaks the rule;
// a folder the table does not know breaks it too, so that a new folder gets its place.
QStringList brokenIncludes(const QString &top) {
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s+"([^/"]+)/)"));
    QStringList broken;
    QDirIterator files(top, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString relative = QDir(top).relativeFilePath(path);
        const QString folder = relative.section(QLatin1Char('/'), 0, 0);
        if (folder == relative || folder == QStringLiteral("tests") ||
            folder == QStringLiteral("bench") || folder.startsWith(QStringLiteral("build")))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            broken << relative + QStringLiteral(" cannot be read");
            continue;
        }
        int lineNumber = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine());
            ++lineNumber;
            const QRegularExpressionMatch match = include.match(line);
            if (!match.hasMatch())
                continue;
            const QString target = match.captured(1);
            const auto allowed = allowedBelow().constFind(folder);
            if (target == folder ||
                (allowed != allowedBelow().constEnd() && allowed->contains(target)))
                continue;
            broken << QStringLiteral("%1:%2 includes %3")
                          .arg(relative)
                          .arg(lineNumber)
                          .arg(line.trimmed().section(QLatin1Char('"'), 1, 1));
        }
    }
    broken.sort();
    return broken;
}

} // namespace

class LayersTest : public QObject {
    Q_OBJECT
private slots:
    void treeKeepsTheRule();
    void ruleCatchesBreaks_data();
    void ruleCatchesBreaks();
};

void LayersTest::treeKeepsTheRule() {
    const QString top = qEnvironmentVariable("KWP_SOURCE_DIR");
    QVERIFY2(QFile::exists(top + QStringLiteral("/core/Session.h")), qPrintable(top));
    const QStringList broken = brokenIncludes(top);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
}

void LayersTest::ruleCatchesBreaks_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("include");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("own folder") << "export/A.cpp"
                                << "export/B.h" << true;
    QTest::newRow("below") << "export/A.cpp"
                           << "widgets/ListGrid.h" << true;
    QTest::newRow("sibling feature") << "export/A.cpp"
                                     << "login/B.h" << false;
    QTest::newRow("above") << "core/A.cpp"
                           << "widgets/ListGrid.h" << false;
    QTest::newRow("the program") << "login/A.h"
                                 << "app/FMStart.h" << false;
    QTest::newRow("program includes features") << "app/A.cpp"
                                               << "login/B.h" << true;
    QTest::newRow("kwpctl without widgets") << "kwpctl/A.cpp"
                                            << "widgets/ListGrid.h" << false;
    QTest::newRow("unknown folder") << "tools/A.cpp"
                                    << "core/Session.h" << false;
    QTest::newRow("tests anything") << "tests/x/A.cpp"
                                    << "app/FMStart.h" << true;
}

void LayersTest::ruleCatchesBreaks() {
    QFETCH(QString, file);
    QFETCH(QString, include);
    QFETCH(bool, allowed);
    QTemporaryDir top;
    const QString path = top.filePath(file);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile source(path);
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("#pragma once\n\n#include <QString>\n#include \"" + include.toUtf8() + "\"\n");
    source.close();
    const QStringList broken = brokenIncludes(top.path());
    QCOMPARE(broken.isEmpty(), allowed);
    if (!allowed)
        QCOMPARE(broken, QStringList{file + QStringLiteral(":4 includes ") + include});
}

QTEST_GUILESS_MAIN(LayersTest)
#include "tst_layers.moc"
