#include "export/ExportWindowView.h"

#include "export/kwpexport.h"

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
        window_->setOkVisible(visible);
}

void ExportWindowView::setMeterBounds(int lower, int upper) {
    if (window_)
        window_->setMeterBounds(lower, upper);
}

void ExportWindowView::setMeterPosition(int position) {
    if (window_)
        window_->setMeterPosition(position);
}
