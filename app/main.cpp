#include "app/FMStart.h"
#include "app/MainOptions.h"
#include "app/MessageBoxMessages.h"
#include "app/ProgramIni.h"
#include "app/ProgramWindows.h"
#include "app/Session.h"
#include "gateway/StartupConnection.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[]) {
    if (!displayAvailable()) {
        StderrMessages().tell(noDisplayText());
        return 2;
    }
    QApplication app(argc, argv);
    // The windows have fixed layouts, drawn for an 8-point dialog font: a larger default font
    // would cut off the period and the grids' values.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    MessageBoxMessages messageBoxes;

    const MainOptions options = parseMainOptions(app.arguments());
    const ProgramIni ini = loadProgramIni();
    if (!ini.ok()) {
        messageBoxes.tell(ini.error);
        return 2;
    }
    Session session(messageBoxes);
    ini.applyTo(session);

    FMStart window(session, options.payrollSource);
    const QString logonValues = options.rest.join(QLatin1Char(' '));
    window.setServerHooks(
        {[&session, &logonValues] { return connectFromCommandLine(session.gateway, logonValues); },
         [&session] { session.gateway.ServerDisconnect(); }});
    ProgramWindows windows(session, window);
    window.setEndProgram([&windows](int code) {
        windows.programEnding();
        QCoreApplication::exit(code);
    });
    if (!window.Form_Load())
        return 1;
    window.show();
    return app.exec();
}
