#include "export/ExportWindowView.h"

#include "export/ProgressMeter.h"
#include "export/kwpexport.h"

#include <QPushButton>

ExportWindowView::ExportWindowView(QWidget *mainWindow)
    : mainWindow_(mainWindow) {}

ExportWindowView::~ExportWindowView() = default;

void ExportWindowView::showWindow() {
    if (!window_)
        window_ = std::make_unique<kwpexport>(mainWindow_.data());
    window_->show();
}

void ExportWindowView::hideWindow() {
    if (window_)
        window_->hide();
}

void ExportWindowView::setOkVisible(bool visible) {
    if (window_)
        window_->OK->setVisible(visible);
}

void ExportWindowView::setMeterBounds(int lower, int upper) {
    if (!window_)
        return;
    window_->fort1->setUpper(upper);
    window_->fort1->setLower(lower);
}

void ExportWindowView::setMeterPosition(int position) {
    if (window_)
        window_->fort1->setPosition(position);
}
