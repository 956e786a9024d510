#include "app/FMStart.h"
#include "app/MainOptions.h"
#include "app/ProgramWindows.h"
#include "common/QtTranslations.h"
#include "core/ProgramIni.h"
#include "core/Session.h"
#include "core/Version.h"
#include "widgets/DialogFont.h"
#include "widgets/MessageBoxMessages.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const MainOptions options = parseMainOptions(arguments);
    switch (options.action) {
    case MainOptions::Action::Help:
        QTextStream(stdout) << mainUsage();
        return 0;
    case MainOptions::Action::Version:
        QTextStream(stdout) << "kwp-import " << versionText << '\n';
        return 0;
    case MainOptions::Action::Usage:
        QTextStream(stderr) << options.problem << "\n\n" << mainUsage();
        return 2;
    case MainOptions::Action::Run:
        break;
    }
    if (!displayAvailable()) {
        StderrMessages().tell(noDisplayText());
        return 2;
    }
    QApplication app(argc, argv);
    installGermanQtTexts(app, QCoreApplication::applicationDirPath());
    // The windows have fixed layouts, drawn for an 8-point dialog font: a larger default font
    // would cut off the period and the grids' values.
    QApplication::setFont(dialogFont(QApplication::font()));
    MessageBoxMessages messageBoxes;

    const ProgramIni ini = loadProgramIni();
    if (!ini.ok()) {
        messageBoxes.tell(ini.error);
        return 2;
    }
    Session session(messageBoxes);
    ini.applyTo(session);

    FMStart window(session, options.payrollSource);
    ProgramWindows windows(session, window, options.rest.join(QLatin1Char(' ')));
    window.setEndProgram([&windows](int code) {
        windows.programEnding();
        QCoreApplication::exit(code);
    });
    if (!window.Form_Load())
        return 1;
    window.show();
    return app.exec();
}
