#include "common/QtTranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

// Qt's own texts in German: qtbase_de.qm beside the program (as the Windows installer puts
// it) or else from Qt's translations folder, and what a message box then shows.
class QtTextsTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxInGerman_data();
    void messageBoxInGerman();
};

void QtTextsTest::messageBoxInGerman_data() {
    QTest::addColumn<bool>("besideProgram");
    QTest::newRow("beside the program") << true;
    QTest::newRow("Qt's folder") << false;
}

void QtTextsTest::messageBoxInGerman() {
    QFETCH(bool, besideProgram);
    const QString system =
        QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath("qtbase_de.qm");
    QVERIFY2(QFile::exists(system), "qt6-translations-l10n is not installed");
    QTemporaryDir programDir;
    const QString beside = programDir.filePath(QStringLiteral("translations/qtbase_de.qm"));
    if (besideProgram) {
        QVERIFY(QDir(programDir.path()).mkdir(QStringLiteral("translations")));
        QVERIFY(QFile::copy(system, beside));
    }
    QCOMPARE(installGermanQtTexts(*qApp, programDir.path()), besideProgram ? beside : system);

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("kwp"), QStringLiteral("Text"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    box.setDetailedText(QStringLiteral("Einzelheiten"));
    box.show();
    QStringList texts;
    for (const QAbstractButton *button : box.findChildren<QAbstractButton *>())
        texts.append(button->text().remove(QLatin1Char('&')));
    texts.sort();
    QCOMPARE(texts, QStringList({"Abbrechen", "Details einblenden...", "Ja", "Nein", "OK"}));
}

QTEST_MAIN(QtTextsTest)
#include "tst_qttexts.moc"
