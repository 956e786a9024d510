#include "app/FMStart.h"
#include "app/MainOptions.h"
#include "app/MessageBoxMessages.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    if (!displayAvailable()) {
        showMessage(noDisplayText());
        return 2;
    }
    QApplication app(argc, argv);
    MessageBoxMessages messageBoxes;
    setUserMessages(&messageBoxes);

    const MainOptions options = parseMainOptions(app.arguments());
    FMStart window(options.payrollSource);
    if (!window.Form_Load())
        return 1;
    window.show();
    const int code = app.exec();
    setUserMessages(nullptr);
    return code;
}
