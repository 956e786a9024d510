#include "export/ExportWindowView.h"
#include "export/ProgressMeter.h"
#include "export/kwpexport.h"
#include "tests/export/ProgressControls.h"
#include "widgets/FittedLayout.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

// The progress window and its meter, as real widgets.
class ExportWindowTest : public QObject {
    Q_OBJECT
private slots:
    void meter_data();
    void meter();
    void windowLayout();
    void placedOnFirstShowingOnly();
    void okHidesButtonThenWindow();
};

void ExportWindowTest::meter_data() {
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("text");
    QTest::newRow("inside") << 1 << 10 << 5 << 5 << "Zeile 5 von 10";
    QTest::newRow("at the top") << 1 << 10 << 10 << 10 << "Zeile 10 von 10";
    QTest::newRow("more lines than the preview") << 1 << 10 << 12 << 10 << "Zeile 12 von 12";
    QTest::newRow("empty preview") << 1 << 0 << 1 << 1 << "Zeile 1 von 1";
    QTest::newRow("before the first line") << 1 << 10 << 0 << 1 << "";
}

void ExportWindowTest::meter() {
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(int, position);
    QFETCH(int, shown);
    QFETCH(QString, text);
    ProgressMeter meter;
    meter.setUpper(upper);
    meter.setLower(lower);
    meter.setPosition(position);
    QCOMPARE(meter.lower(), lower);
    QCOMPARE(meter.upper(), upper);
    QCOMPARE(meter.position(), position);
    QCOMPARE(meter.shownPosition(), shown);
    QCOMPARE(meter.text(), text);
    auto *bar = meter.findChild<QProgressBar *>();
    QVERIFY(bar);
    QTRY_COMPARE(bar->text(), text); // painted within a frame
    QCOMPARE(bar->value(), shown);
    QCOMPARE(bar->minimum(), lower);
}

void ExportWindowTest::windowLayout() {
    QWidget main;
    kwpexport window(&main);
    const FittedLayout layout(&window);
    QCOMPARE(window.windowTitle(), QStringLiteral("Export läuft"));
    QCOMPARE(window.size(), QSize(layout.twips(9795), layout.twips(900)));
    QCOMPARE(fort1(&window)->geometry(), layout.twipsRect(360, 240, 6615, 255));
    QCOMPARE(okButton(&window)->geometry(), layout.twipsRect(8160, 240, 1095, 375));
    QCOMPARE(okButton(&window)->text(), QStringLiteral("OK"));
    QVERIFY(!window.parentWidget()); // no owner: the main window stays usable
}

void ExportWindowTest::placedOnFirstShowingOnly() {
    QWidget main;
    main.resize(400, 300);
    main.move(100, 50);
    main.show();
    ExportWindowView view(&main);
    QVERIFY(!view.window());
    view.showWindow();
    kwpexport *window = view.window();
    QVERIFY(window && window->isVisible());
    const FittedLayout layout(&main);
    const QPoint expected =
        main.frameGeometry().topLeft() + QPoint(layout.twips(200), layout.twips(1000));
    QCOMPARE(window->frameGeometry().topLeft(), expected);

    view.hideWindow();
    main.move(300, 200);
    view.showWindow();
    QCOMPARE(view.window(), window);
    QCOMPARE(window->frameGeometry().topLeft(), expected);
}

void ExportWindowTest::okHidesButtonThenWindow() {
    QWidget main;
    ExportWindowView view(&main);
    view.showWindow();
    view.setMeterBounds(1, 3);
    view.setMeterPosition(3);
    view.setOkVisible(true);
    kwpexport *window = view.window();
    QVERIFY(okButton(window)->isVisible());
    QTest::mouseClick(okButton(window), Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QVERIFY(okButton(window)->isHidden());
    // The meter keeps what the last run wrote until the next run writes.
    view.showWindow();
    QCOMPARE(fort1(window)->position(), 3);
    QVERIFY(okButton(window)->isHidden());
}

QTEST_MAIN(ExportWindowTest)
#include "tst_exportwindow.moc"
