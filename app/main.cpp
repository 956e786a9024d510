#include "app/FMStart.h"
#include "app/MainOptions.h"
#include "app/MessageBoxMessages.h"
#include "export/ExportController.h"
#include "gateway/GatewaySettings.h"
#include "gateway/ServerConnection.h"
#include "gateway/StartupConnection.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[]) {
    if (!displayAvailable()) {
        showMessage(noDisplayText());
        return 2;
    }
    QApplication app(argc, argv);
    // The windows have fixed layouts, drawn for an 8-point dialog font: a larger default font
    // would cut off the period and the grids' values.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    MessageBoxMessages messageBoxes;
    setUserMessages(&messageBoxes);

    const MainOptions options = parseMainOptions(app.arguments());
    for (const QString &problem : loadGatewaySettings(payrollIniPath()))
        showMessage(problem);
    FMStart window(options.payrollSource);
    const QString logonValues = options.rest.join(QLatin1Char(' '));
    window.setServerHooks({[&logonValues] { return connectFromCommandLine(logonValues); },
                           [] { ServerDisconnect(); }});
    ExportController exporter(window);
    window.setEndProgram([&exporter](int code) {
        exporter.programEnding();
        QCoreApplication::exit(code);
    });
    if (!window.Form_Load())
        return 1;
    window.show();
    const int code = app.exec();
    setUserMessages(nullptr);
    return code;
}
