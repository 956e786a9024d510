#pragma once

#include "core/PayrollDatabase.h"
#include "core/Preview.h"
#include "export/ExportMainWindow.h"

#include <QMainWindow>

#include <functional>

class ListGrid;
class QComboBox;
class QLabel;
class QPushButton;
class Session;

// The main window: its load handler is the program's start-up, its unload handler the
// program's orderly end. It only wires its widgets to the payroll logic; the windows it opens
// (export, login, wage types, About) are plugged in through its signals; the export sees it
// through ExportMainWindow. Its controls are its own: mandant, periode, export, Command1 and
// list1 (object names as the controls').
class FMStart : public QMainWindow, public ExportMainWindow {
    Q_OBJECT
public:
    // Log-on and log-off of the ERP server. By default the log-on reports "logged on" with the
    // log-on record as it is, and the log-off does nothing.
    struct ServerHooks {
        std::function<bool()> serverLogin;
        std::function<void()> serverLogout;
    };

    FMStart(Session &session, const PayrollSource &source, QWidget *parent = nullptr);

    void setServerHooks(ServerHooks hooks);
    // How the program ends (exit code); by default QCoreApplication::exit().
    void setEndProgram(std::function<void(int)> end);

    // Start-up: log-on, caption, database, query file, periods, clients, default period and the
    // first preview. False when the program must end; the user has been told why.
    bool Form_Load();
    // Log-off, closing the database, end of the program.
    void Form_Unload();
    // Rebuilds the preview from the client marks and the period text. False when it failed
    // (the user has been told; the last good preview stays).
    bool refresh1();
    // The records of the last preview fill that succeeded, 0 before the first.
    qint64 previewRecords() const { return previewRecords_; }

    // The export's view of the window.
    ExportSelection exportSelection() const override;
    void setExportButtonVisible(bool visible) override;
    // An export has ended: the preview catches up with marks and a period chosen meanwhile, or,
    // when the window was closed during the run, the unload handler finishes.
    void exportEnded() override;

signals:
    // The button "Export", with the record count of the preview the user sees.
    void exportRequested(qint64 previewCount);
    void loginRequested();
    void wageTypesRequested();
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    Session &session;

private:
    ListGrid *mandant;
    QComboBox *periode;
    QPushButton *exportButton; // the button "Export"
    QPushButton *Command1;     // the button "Beenden"
    ListGrid *list1;

    PayrollSource payrollSource;
    ServerHooks server;
    std::function<void(int)> endProgram;
    bool ready = false;
    bool ended = false;
    bool previewBehind = false;     // marks or period changed while an export ran
    bool unloadAfterExport = false; // closed while an export ran
    qint64 previewRecords_ = 0;

    // A change of the marks or a period chosen: the preview follows, after a running export.
    void selectionChanged();

    FillOutcome fillPreview();
    void buildMenu();
    void buildControls();
    bool failStartup(const QString &text, const QString &details);
    void endAtOnce();
};
