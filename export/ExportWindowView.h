#pragma once

#include "export/ExportProgressView.h"

#include <QPointer>

#include <memory>

class QWidget;
class kwpexport;

// The export run's display on the desktop: the window kwpexport, created on the first
// showing and kept until the program ends.
class ExportWindowView : public ExportProgressView {
public:
    explicit ExportWindowView(QWidget *mainWindow);
    ~ExportWindowView() override;

    void showWindow() override;
    void hideWindow() override;
    void setOkVisible(bool visible) override;
    void setMeterBounds(int lower, int upper) override;
    void setMeterPosition(int position) override;

    // The window, or nullptr before the first showing.
    kwpexport *window() const { return window_.get(); }

private:
    QPointer<QWidget> mainWindow_;
    std::unique_ptr<kwpexport> window_;
};
