#include "app/FMStart.h"

#include "core/ClientKeys.h"
#include "core/PayrollLists.h"
#include "core/PayrollStartup.h"
#include "core/PayrollTexts.h"
#include "core/Period.h"
#include "core/Preview.h"
#include "core/Session.h"
#include "core/WindowCaption.h"
#include "widgets/FittedLayout.h"
#include "widgets/ListGrid.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

FMStart::FMStart(Session &session, const PayrollSource &source, QWidget *parent)
    : QMainWindow(parent)
    , session(session)
    , payrollSource(source)
    , server{[] { return true; }, [] {}}
    , endProgram([](int code) { QCoreApplication::exit(code); }) {
    setObjectName(QStringLiteral("FMStart"));
    setWindowTitle(QLatin1String(designCaption));
    buildMenu();
    buildControls();
}

void FMStart::setServerHooks(ServerHooks hooks) {
    server = std::move(hooks);
}

void FMStart::setEndProgram(std::function<void(int)> end) {
    endProgram = std::move(end);
}

void FMStart::buildMenu() {
    QMenu *datei = menuBar()->addMenu(QStringLiteral("&Datei"));
    datei->setObjectName(QStringLiteral("Datei"));
    QAction *mLogin = datei->addAction(QStringLiteral("&Login"));
    mLogin->setObjectName(QStringLiteral("mLogin"));
    datei->addSeparator()->setObjectName(QStringLiteral("nil"));
    QAction *beenden = datei->addAction(QStringLiteral("&Beenden"));
    beenden->setObjectName(QStringLiteral("Beenden"));

    QMenu *mparam = menuBar()->addMenu(QStringLiteral("&Parameter"));
    mparam->setObjectName(QStringLiteral("mparam"));
    QAction *mlart = mparam->addAction(QStringLiteral("&Lohnarten"));
    mlart->setObjectName(QStringLiteral("mlart"));

    QMenu *hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    hilfe->setObjectName(QStringLiteral("Hilfe"));
    QAction *hilfeUeber = hilfe->addAction(QStringLiteral("Hilfe &über ..."));
    hilfeUeber->setObjectName(QStringLiteral("HilfeUeber"));

    connect(mLogin, &QAction::triggered, this, &FMStart::loginRequested);
    connect(beenden, &QAction::triggered, this, &QWidget::close);
    connect(mlart, &QAction::triggered, this, &FMStart::wageTypesRequested);
    connect(hilfeUeber, &QAction::triggered, this, &FMStart::aboutRequested);
}

void FMStart::buildControls() {
    auto *area = new QWidget(this);
    setCentralWidget(area);
    // Drawn in twips for an 8-point dialog font, widened in proportion for a wider one.
    const FittedLayout layout(area);
    area->setFixedSize(layout.twips(10515), layout.twips(7380));

    auto *label2 = new QLabel(QStringLiteral("Mandant:"), area);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(layout.twipsRect(120, 240, 855, 255));

    mandant = new ListGrid(area);
    mandant->setObjectName(QStringLiteral("mandant"));
    mandant->setGeometry(layout.twipsRect(840, 240, 4695, 975));
    mandant->addColumn(QStringLiteral("Nr."), 30, ListGridModel::Centred);
    mandant->addColumn(QStringLiteral("Mandant"), 250, ListGridModel::Left);
    mandant->addColumn(QString(), 25, ListGridModel::Centred);
    mandant->grid().setCheckColumn(clientMarkColumn);

    auto *label1 = new QLabel(QStringLiteral("Periode:"), area);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(layout.twipsRect(5880, 240, 615, 255));

    periode = new QComboBox(area);
    periode->setObjectName(QStringLiteral("periode"));
    periode->setEditable(true);
    periode->setInsertPolicy(QComboBox::NoInsert);
    // A typed period is used exactly as typed: no completion from the list, and Return does
    // not take it as a choice from the list (only a choice refreshes the preview).
    periode->setCompleter(nullptr);
    periode->lineEdit()->installEventFilter(this);
    periode->setGeometry(layout.twipsRect(6600, 240, 975, 315));
    // A wider font than the layout was drawn for must not cut off the six digits of a period.
    periode->setMinimumContentsLength(6);
    periode->resize(qMax(periode->width(), periode->minimumSizeHint().width()), periode->height());

    exportButton = new QPushButton(QStringLiteral("Export"), area);
    exportButton->setObjectName(QStringLiteral("export"));
    exportButton->setGeometry(layout.twipsRect(8640, 240, 1335, 375));

    Command1 = new QPushButton(QStringLiteral("Beenden"), area);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(layout.twipsRect(8640, 720, 1335, 375));

    list1 = new ListGrid(area);
    list1->setObjectName(QStringLiteral("list1"));
    list1->setGeometry(layout.twipsRect(240, 1320, 9855, 5895));
    for (const PreviewColumn &column : designedPreviewColumns())
        list1->addColumn(column.heading, column.width, column.alignment);

    connect(exportButton, &QPushButton::clicked, this,
            [this] { emit exportRequested(previewRecords_); });
    connect(Command1, &QPushButton::clicked, this, &FMStart::endAtOnce);
    connect(&mandant->grid(), &ListGridModel::markChanged, this, &FMStart::selectionChanged);
    connect(periode, &QComboBox::activated, this, &FMStart::selectionChanged);
}

bool FMStart::Form_Load() {
    if (!server.serverLogin()) {
        Form_Unload();
        return false;
    }
    setWindowTitle(mainWindowCaption(session.logon()));

    if (const auto failed = openPayroll(session, payrollSource))
        return failStartup(failed->text, failed->details);

    const PayrollList periods = readPeriods(session.adocon.database());
    if (!periods.ok)
        return failStartup(PayrollTexts::periodsNotRead(), periods.error);
    periode->clear();
    periode->addItems(periods.rows);

    QStringList clientRows;
    if (const auto failed = readListedClients(session, clientRows))
        return failStartup(failed->text, failed->details);
    ListGridModel &clientList = mandant->grid();
    clientList.clear();
    for (const QString &row : std::as_const(clientRows)) {
        clientList.addRow(row);
        clientList.setChecked(clientList.rows() - 1, clientMarkColumn, true);
    }

    ListGridModel &preview = list1->grid();
    for (int column : {4, 7, 11})
        preview.setColumnAlignment(column, ListGridModel::Centred);
    for (int column = 13; column <= 18; ++column)
        preview.setColumnAlignment(column, ListGridModel::Right);

    periode->setEditText(defaultPeriod(session.today()));
    list1->addColumn(QStringLiteral("Svnr"), 120);

    const FillOutcome first = fillPreview();
    if (!first.ok)
        return failStartup(first.message, first.details);
    ready = true;
    return true;
}

FillOutcome FMStart::fillPreview() {
    const FillOutcome filled =
        FillList(session, list1->grid(), periode->currentText(), clientKeyList(mandant->grid()));
    if (filled.ok)
        previewRecords_ = filled.records;
    return filled;
}

bool FMStart::refresh1() {
    const FillOutcome filled = fillPreview();
    if (!filled.ok)
        session.messages.tell(
            filled.message +
                QStringLiteral(" Die Liste zeigt weiter die zuletzt gelesene Vorschau."),
            QString(), filled.details);
    return filled.ok;
}

void FMStart::selectionChanged() {
    if (!ready)
        return;
    // The export reads its rows from adocon still; a second statement on that connection
    // (which SQL Server's driver refuses) waits until the run has ended.
    if (session.exportRunning) {
        previewBehind = true;
        return;
    }
    refresh1();
}

ExportSelection FMStart::exportSelection() const {
    return {clientKeyList(mandant->grid()), periode->currentText()};
}

void FMStart::setExportButtonVisible(bool visible) {
    exportButton->setVisible(visible);
}

void FMStart::exportEnded() {
    if (unloadAfterExport) {
        unloadAfterExport = false;
        server.serverLogout();
        session.adocon.close();
        return;
    }
    if (!previewBehind || ended)
        return;
    previewBehind = false;
    refresh1();
}

bool FMStart::failStartup(const QString &text, const QString &details) {
    if (!text.isEmpty())
        session.messages.tell(
            text + QStringLiteral(" Das Programm wird beendet; in der Lohndatenbank und "
                                  "auf dem ERP-Server wurde nichts verändert."),
            QString(), details);
    server.serverLogout();
    session.adocon.close();
    ended = true;
    return false;
}

void FMStart::Form_Unload() {
    if (ended)
        return;
    ended = true;
    // A running export waits in the message loop between two records, its rows still open on
    // adocon: told that the program ends, it stops there, and the log-off and the closing of
    // adocon follow once it has returned (exportEnded()).
    if (session.exportRunning) {
        unloadAfterExport = true;
        endProgram(0);
        return;
    }
    server.serverLogout();
    session.adocon.close();
    endProgram(0);
}

bool FMStart::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && watched == periode->lineEdit()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FMStart::closeEvent(QCloseEvent *event) {
    event->accept();
    Form_Unload();
}

void FMStart::endAtOnce() {
    // The button leaves without logging off and without closing the database.
    ended = true;
    endProgram(0);
}
