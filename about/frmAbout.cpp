#include "about/frmAbout.h"

#include "about/AboutTexts.h"
#include "about/ProgramIcon.h"
#include "common/UserMessages.h"
#include "core/Version.h"
#include "widgets/Twips.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {
QString text(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// Line1: a grey line with a white one below it, two pixels wide, so that the separator looks
// cut into the window.
class EtchedLine : public QWidget {
public:
    EtchedLine(int dpi, QWidget *parent)
        : QWidget(parent)
        , grey_(twipsToPixels(90, dpi), twipsToPixels(2445, dpi), twipsToPixels(5654, dpi))
        , whiteLeft_(twipsToPixels(105, dpi))
        , whiteY_(twipsToPixels(2460, dpi)) {
        setGeometry(grey_.left, grey_.y, grey_.right - grey_.left + 1, whiteY_ - grey_.y + 2);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.fillRect(0, 0, grey_.right - grey_.left + 1, 1, QColor(0x80, 0x80, 0x80));
        painter.fillRect(whiteLeft_ - grey_.left, whiteY_ - grey_.y, grey_.right - whiteLeft_ + 1,
                         2, Qt::white);
    }

private:
    struct {
        int left, y, right;
    } grey_;
    int whiteLeft_;
    int whiteY_;
};
} // namespace

frmAbout::frmAbout(const AboutSettings &settings, const SystemInfoSources &systemInfo,
                   UserMessages &messages, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , systemInfo_(systemInfo)
    , messages_(messages) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowIcon(programIcon());
    const int dpi = logicalDpiX();
    const auto place = [dpi](QWidget *widget, const char *name, int left, int top, int width,
                             int height) {
        widget->setObjectName(QLatin1String(name));
        widget->setGeometry(twipsRect(left, top, width, height, dpi));
    };
    const auto label = [this, &place](const char *name, const QString &caption, int left, int top,
                                      int width, int height) {
        auto *widget = new QLabel(caption, this);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget->setWordWrap(true);
        place(widget, name, left, top, width, height);
        return widget;
    };
    const auto link = [&label](const char *name, const AboutLink &target, int left, int top,
                               int width, int height) {
        QLabel *widget = label(name, linkLabelText(target), left, top, width, height);
        widget->setTextFormat(Qt::RichText);
        widget->setWordWrap(false);
        widget->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        widget->setToolTip(target.target.toDisplayString());
        return widget;
    };
    const auto picture = [this, &place](const char *name, const QString &resource, int left,
                                        int top, int width, int height) {
        auto *widget = new QLabel(this);
        widget->setPixmap(QPixmap(resource));
        place(widget, name, left, top, width, height);
        return widget;
    };

    picIcon = picture("picIcon", QStringLiteral(":/about/kwp-import-32.png"), 240, 240, 540, 540);
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Producktname = label("Producktname", text(AboutTexts::productLabel), 1080, 240, 975, 495);
    lblTitle = label("lblTitle", QString(), 2280, 240, 3135, 495);
    Version = label("Version", text(AboutTexts::versionLabel), 1080, 840, 975, 255);
    lblVersion = label("lblVersion", QString(), 2290, 840, 3135, 255);
    lblMail = label("lblMail", text(AboutTexts::mailHeading), 1080, 1200, 975, 255);
    ctHyperLink1 = link("ctHyperLink1", settings.mail, 2280, 1200, 3135, 255);
    Description = label("Description", text(AboutTexts::descriptionLabel), 1080, 1560, 975, 495);
    lblDescription = label("lblDescription", text(AboutTexts::description), 2290, 1560, 3135, 495);
    Erstellt = label("Erstellt", text(AboutTexts::dates), 1080, 2160, 4455, 255);
    Line1 = new EtchedLine(dpi, this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Image1 = picture("Image1", QStringLiteral(":/about/banner.png"), 480, 2640, 3255, 795);
    Image1->setScaledContents(true);
    cmdOK = new QPushButton(text(AboutTexts::ok), this);
    place(cmdOK, "cmdOK", 4245, 2760, 1260, 345);
    cmdSysInfo = new QPushButton(text(AboutTexts::sysInfo), this);
    place(cmdSysInfo, "cmdSysInfo", 4260, 3240, 1245, 345);
    ctHyperLink2 = link("ctHyperLink2", settings.web, 480, 3480, 3255, 255);
    Image2 = picture("Image2", QStringLiteral(":/about/side.png"), 5760, 0, 2430, 3675);
    Image2->setScaledContents(true);

    // OK is the default button (Enter) and, through QDialog, the cancel button (Esc).
    cmdOK->setDefault(true);
    cmdOK->setFocus();
    setTabOrder(cmdOK, cmdSysInfo);
    setTabOrder(cmdSysInfo, ctHyperLink1);
    setTabOrder(ctHyperLink1, ctHyperLink2);

    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    connect(this, &QDialog::rejected, this, &QWidget::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(ctHyperLink1, &QLabel::linkActivated, this, &frmAbout::openLink);
    connect(ctHyperLink2, &QLabel::linkActivated, this, &frmAbout::openLink);

    QScreen *screen = this->screen();
    const QRect client = designedGeometry(*screen);
    setFixedSize(client.size());
    setGeometry(client);
    // A heading word wider than its designed box (a larger font than the layout was drawn
    // for) would be cut off: it may take the room up to the value column.
    for (QLabel *heading : {Producktname, Version, lblMail, Description}) {
        const int needed = heading->fontMetrics().horizontalAdvance(heading->text()) + 2;
        const int room = twipsToPixels(2280, dpi) - heading->x();
        if (needed > heading->width())
            heading->resize(qMin(needed, room), heading->height());
    }
    Form_Load();
}

QRect frmAbout::designedGeometry(const QScreen &screen) {
    const int dpi = qRound(screen.logicalDotsPerInchX());
    return twipsRect(2340, 1935, 8250, 3795, dpi).translated(screen.geometry().topLeft());
}

void frmAbout::Form_Load() {
    setWindowTitle(text(AboutTexts::captionPrefix) + applicationTitle());
    lblVersion->setText(
        QStringLiteral("%1.%2.%3").arg(versionMajor).arg(versionMinor).arg(versionRevision));
    lblTitle->setText(applicationTitle());
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo(systemInfo_, messages_);
}

void frmAbout::openLink(const QString &target) {
    const QUrl url(target, QUrl::StrictMode);
    if (!QDesktopServices::openUrl(url))
        messages_.show(
            UserMessage{{}, text(AboutTexts::linkFailed).arg(url.toDisplayString()), {}});
}
