#include "export/kwpexport.h"

#include "export/ProgressMeter.h"

#include "widgets/FittedLayout.h"

#include <QCloseEvent>
#include <QPushButton>

kwpexport::kwpexport(QWidget *mainWindow)
    : QWidget(nullptr)
    , fort1(new ProgressMeter(this))
    , OK(new QPushButton(QStringLiteral("OK"), this))
    , mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("kwpexport"));
    fort1->setObjectName(QStringLiteral("fort1"));
    OK->setObjectName(QStringLiteral("OK"));
    setWindowTitle(QStringLiteral("Export läuft"));
    const FittedLayout layout(this);
    setFixedSize(layout.twips(9795), layout.twips(900));
    fort1->setGeometry(layout.twipsRect(360, 240, 6615, 255));
    OK->setGeometry(layout.twipsRect(8160, 240, 1095, 375));
    connect(OK, &QPushButton::clicked, this, &kwpexport::OK_Click);
    Form_Load();
}

void kwpexport::setMeterBounds(int lower, int upper) {
    fort1->setUpper(upper);
    fort1->setLower(lower);
}

void kwpexport::setMeterPosition(int position) {
    fort1->setPosition(position);
}

void kwpexport::setOkVisible(bool visible) {
    OK->setVisible(visible);
}

void kwpexport::Form_Load() {
    // Only at creation: later runs find the window where it was last, wherever the main
    // window went since.
    if (!mainWindow_)
        return;
    const QPoint corner = mainWindow_->frameGeometry().topLeft();
    const FittedLayout layout(this);
    move(corner.x() + layout.twips(200), corner.y() + layout.twips(1000));
}

void kwpexport::OK_Click() {
    OK->hide();
    hide();
}

void kwpexport::closeEvent(QCloseEvent *event) {
    if (OK->isHidden())
        event->ignore();
    else
        event->accept();
}
