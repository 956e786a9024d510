#include "widgets/DialogFont.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>

// A font's family where it is installed; a dialog family where a missing one is stood in for by
// something that is no dialog font. The windows' font: that at 8 points.
class TestDialogFont : public QObject {
    Q_OBJECT
private slots:
    void family_data() {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("shown");
        QTest::newRow("installed family kept") << "DejaVu Sans"
                                               << "DejaVu Sans";
        QTest::newRow("installed family of another kind kept") << "DejaVu Serif"
                                                               << "DejaVu Serif";
        // Like "MS Shell Dlg" under Wine without Tahoma: what stands in is a serif font.
        QTest::newRow("stand-in replaced by a dialog family") << "Serif"
                                                              << "DejaVu Sans";
    }
    void family() {
        QFETCH(QString, system);
        QFETCH(QString, shown);
        if (QFontInfo(QFont(QStringLiteral("DejaVu Sans"))).family() !=
            QLatin1String("DejaVu Sans"))
            QSKIP("needs the DejaVu fonts");
        const QFont installed = installedFont(QFont(system, 11));
        QCOMPARE(QFontInfo(installed).family(), shown);
        QCOMPARE(installed.pointSize(), 11);
        const QFont font = dialogFont(QFont(system, 11));
        QCOMPARE(QFontInfo(font).family(), shown);
        QCOMPARE(font.pointSize(), 8);
    }
};

QTEST_MAIN(TestDialogFont)
#include "tst_dialogfont.moc"
