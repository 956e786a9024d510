#pragma once

#include <QPointer>
#include <QWidget>

class ProgressMeter;
class QPushButton;

// The progress window "Export läuft": the meter fort1 and, after a completed run, the OK
// button. It has no owner, so the main window stays usable; it is created on first use,
// placed beside the main window then, and afterwards only shown and hidden.
class kwpexport : public QWidget {
    Q_OBJECT
public:
    // mainWindow: where the window places itself when it is created; it is not its parent.
    explicit kwpexport(QWidget *mainWindow);

    // What a run shows: the meter's bounds and position, and OK once the run is over.
    void setMeterBounds(int lower, int upper);
    void setMeterPosition(int position);
    void setOkVisible(bool visible);

protected:
    // While a run goes on (its OK button hidden), the window stays: it is the run's only
    // sign of life.
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void OK_Click();

    ProgressMeter *fort1;
    QPushButton *OK;
    QPointer<QWidget> mainWindow_;
};
