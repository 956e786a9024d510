#include "export/ProgressMeter.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

ProgressMeter::ProgressMeter(QWidget *parent)
    : QWidget(parent)
    , bar_(new QProgressBar(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar_);
    bar_->setAlignment(Qt::AlignCenter);
    pending_.setSingleShot(true);
    connect(&pending_, &QTimer::timeout, this, &ProgressMeter::refresh);
    refresh();
}

void ProgressMeter::setLower(int lower) {
    lower_ = lower;
    refresh();
}

void ProgressMeter::setUpper(int upper) {
    upper_ = upper;
    refresh();
}

void ProgressMeter::setPosition(int position) {
    position_ = position;
    if (sincePaint_.isValid() && sincePaint_.elapsed() < frameMs) {
        if (!pending_.isActive())
            pending_.start(int(frameMs - sincePaint_.elapsed()));
        return;
    }
    refresh();
}

int ProgressMeter::shownPosition() const {
    const int top = std::max(lower_, upper_);
    return std::clamp(position_, lower_, top);
}

QString ProgressMeter::text() const {
    if (position_ < lower_)
        return QString();
    // The count of lines is the upper bound as the run set it; more lines than that still
    // show their own number.
    return tr("Zeile %1 von %2").arg(position_).arg(std::max(upper_, position_));
}

void ProgressMeter::refresh() {
    pending_.stop();
    sincePaint_.start();
    // QProgressBar would move its minimum when the maximum falls below it; an empty range
    // shows as one step instead, so the bar never fails on what the run writes.
    bar_->setRange(lower_, std::max(lower_, upper_));
    bar_->setValue(shownPosition());
    bar_->setFormat(text());
    bar_->setTextVisible(!text().isEmpty());
}
