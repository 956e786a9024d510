#include "export/kwpexport.h"

#include "export/ProgressMeter.h"

#include "app/Twips.h"

#include <QPushButton>

namespace {
int twips(const QWidget *widget, int value) {
    return twipsToPixels(value, widget->logicalDpiX());
}
} // namespace

kwpexport::kwpexport(QWidget *mainWindow)
    : QWidget(nullptr)
    , fort1(new ProgressMeter(this))
    , OK(new QPushButton(QStringLiteral("OK"), this))
    , mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("kwpexport"));
    fort1->setObjectName(QStringLiteral("fort1"));
    OK->setObjectName(QStringLiteral("OK"));
    setWindowTitle(QStringLiteral("Export läuft"));
    setFixedSize(twips(this, 9795), twips(this, 900));
    fort1->setGeometry(twips(this, 360), twips(this, 240), twips(this, 6615), twips(this, 255));
    OK->setGeometry(twips(this, 8160), twips(this, 240), twips(this, 1095), twips(this, 375));
    connect(OK, &QPushButton::clicked, this, &kwpexport::OK_Click);
    Form_Load();
}

void kwpexport::Form_Load() {
    // Only at creation: later runs find the window where it was last, wherever the main
    // window went since.
    if (!mainWindow_)
        return;
    const QPoint corner = mainWindow_->frameGeometry().topLeft();
    move(corner.x() + twips(this, 200), corner.y() + twips(this, 1000));
}

void kwpexport::OK_Click() {
    OK->hide();
    hide();
}
