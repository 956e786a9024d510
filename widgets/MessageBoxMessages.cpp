#include "widgets/MessageBoxMessages.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxMessages::show(const UserMessage &message) {
    QMessageBox box(QMessageBox::NoIcon,
                    message.title.isEmpty() ? applicationTitle() : message.title, message.text,
                    QMessageBox::Ok, QApplication::activeWindow());
    if (!message.details.isEmpty())
        box.setDetailedText(message.details);
    box.exec();
}
