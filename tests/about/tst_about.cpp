#include "about/AboutController.h"
#include "about/AboutSettings.h"
#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "tests/support/RecordedMessages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {
// The registry does not exist here: values kept by key and value name.
class StandInRegistry : public Registry {
public:
    std::optional<Value> read(RegistryRoot, const QString &keyPath,
                              const QString &valueName) const override {
        const auto found = values.constFind(keyPath + QLatin1Char('|') + valueName);
        return found == values.cend() ? std::nullopt : std::optional<Value>(*found);
    }
    // "PATH=sz:text", "MSINFO=dword:26", "PATH=binary:": a value of one of the two keys that
    // the look-up reads.
    void add(const QString &entry) {
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        const QString kind = entry.section(QLatin1Char('='), 1).section(QLatin1Char(':'), 0, 0);
        const QString data = entry.section(QLatin1Char(':'), 1);
        const QString key = name == QLatin1String("PATH")
                                ? QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")
                                : QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
        Value value;
        if (kind == QLatin1String("sz")) {
            value = {regSz, data.toLocal8Bit() + '\0'};
        } else if (kind == QLatin1String("dword")) {
            const quint32 number = data.toUInt();
            for (int i = 0; i < 4; ++i)
                value.data += char((number >> (8 * i)) & 0xFF);
            value.type = regDword;
        } else {
            value = {3, data.toLatin1()};
        }
        values.insert(key + QLatin1Char('|') + name, value);
    }

    QHash<QString, Value> values;
};

const QString unavailable = QStringLiteral("Systeminformationen sind momentan nicht verfügbar");

int px(const QWidget &widget, int twips) {
    return int(std::lround(twips * widget.logicalDpiX() / 1440.0));
}

// The window's controls, by their names.
QLabel *label(const frmAbout *window, const char *name) {
    return window->findChild<QLabel *>(QLatin1String(name));
}
QPushButton *button(const frmAbout *window, const char *name) {
    return window->findChild<QPushButton *>(QLatin1String(name));
}
} // namespace

// Opens links in tests instead of the desktop.
class LinkRecorder : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { opened << url; }

public:
    QList<QUrl> opened;
};

// The About window offscreen, its links, and the look-up of the system information program
// with a stand-in registry and real programs.
class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
    void links_data();
    void links();
    void windowTexts();
    void layout_data();
    void layout();
    void closing_data();
    void closing();
    void opensOnceAndAgainAtDesignedPlace();
    void sysInfoButtonTellsWhenUnavailable();
    void linkThatCannotOpenIsReported();

private:
    // A program in the scratch folder that notes its arguments in the file "started".
    QString writeProgram(const QString &name, bool executable = true);
    QString readStarted();
    std::unique_ptr<AboutController> controller(const QString &ini = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    StandInRegistry m_registry;
    RecordedMessages m_messages;
    QWidget m_main;
};

void AboutTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_registry.values.clear();
    m_messages.messages.clear();
}

QString AboutTest::writeProgram(const QString &name, bool executable) {
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\necho \"${0##*/} $*\" >\"" + m_dir->filePath("started.new").toUtf8() +
               "\"\nmv \"" + m_dir->filePath("started.new").toUtf8() + "\" \"" +
               m_dir->filePath("started").toUtf8() + "\"\n");
    file.close();
    file.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   : QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

QString AboutTest::readStarted() {
    QFile file(m_dir->filePath("started"));
    for (int waited = 0; waited < 5000 && !file.exists(); waited += 20)
        QTest::qWait(20);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

std::unique_ptr<AboutController> AboutTest::controller(const QString &ini) {
    const QString iniPath = m_dir->filePath("kwp-import.ini");
    QFile file(iniPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(ini.toUtf8());
    return std::make_unique<AboutController>(&m_main, m_messages, iniPath, &m_registry,
                                             QStringLiteral("/opt/kwp/doc"));
}

void AboutTest::getKeyValue_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::newRow("text") << "PATH=sz:C:\\Programme\\msinfo32.exe" << true
                          << "C:\\Programme\\msinfo32.exe";
    QTest::newRow("number") << "PATH=dword:26" << true << "&h1A";
    QTest::newRow("zero") << "PATH=dword:0" << true << "&h0";
    QTest::newRow("number with a low byte of zero") << "PATH=dword:256" << true << "&h100";
    QTest::newRow("largest number") << "PATH=dword:4294967295" << true << "&hFFFFFFFF";
    QTest::newRow("other type keeps the text") << "PATH=binary:xyz" << true << "vorher";
    QTest::newRow("not there") << "MSINFO=sz:C:\\x" << false << "";
}

void AboutTest::getKeyValue() {
    QFETCH(QString, entry);
    QFETCH(bool, found);
    QFETCH(QString, value);
    m_registry.add(entry);
    QString keyVal = QStringLiteral("vorher");
    QCOMPARE(GetKeyValue(m_registry, RegistryRoot::LocalMachine,
                         QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                         QStringLiteral("PATH"), keyVal),
             found);
    QCOMPARE(keyVal, value);
}

void AboutTest::startSysInfo_data() {
    // %D: the scratch folder, holding the programs "info" and "MSINFO32.EXE", the file
    // "plain" that is no program, and the empty folder "empty".
    QTest::addColumn<QStringList>("registry"); // empty: no registry, as on Linux
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("started"); // what the program noted; empty: the message
    QTest::newRow("first value") << QStringList{"PATH=sz:%D/info", "MSINFO=sz:%D"} << ""
                                 << "info";
    QTest::newRow("first value, no program there")
        << QStringList{"PATH=sz:%D/missing", "MSINFO=sz:%D"} << ""
        << "";
    QTest::newRow("second value with the program file") << QStringList{"MSINFO=sz:%D"} << ""
                                                        << "MSINFO32.EXE";
    QTest::newRow("second value with a closing separator") << QStringList{"MSINFO=sz:%D/"} << ""
                                                           << "MSINFO32.EXE";
    QTest::newRow("second value without the program file")
        << QStringList{"MSINFO=sz:%D/empty"} << ""
        << "";
    QTest::newRow("number value") << QStringList{"PATH=dword:26"} << ""
                                  << "";
    QTest::newRow("value of another type") << QStringList{"PATH=binary:%D/info"} << ""
                                           << "";
    QTest::newRow("nothing found") << QStringList{"OTHER=sz:%D/info"} << "%D/info"
                                   << "";
    QTest::newRow("program that cannot be started") << QStringList{"PATH=sz:%D/plain"} << ""
                                                    << "";
    QTest::newRow("configured program with arguments")
        << QStringList() << "\"%D/info\" --report \"zwei Wörter\""
        << "info --report zwei Wörter";
    QTest::newRow("no program configured") << QStringList() << ""
                                           << "";
    QTest::newRow("configured program missing") << QStringList() << "%D/missing"
                                                << "";
}

void AboutTest::startSysInfo() {
    QFETCH(QStringList, registry);
    QFETCH(QString, configured);
    QFETCH(QString, started);
    const QString dir = m_dir->path();
    QVERIFY(!writeProgram(QStringLiteral("info")).isEmpty());
    QVERIFY(!writeProgram(QStringLiteral("MSINFO32.EXE")).isEmpty());
    QVERIFY(!writeProgram(QStringLiteral("plain"), false).isEmpty());
    QVERIFY(QDir(dir).mkdir(QStringLiteral("empty")));
    for (const QString &entry : registry)
        m_registry.add(QString(entry).replace(QLatin1String("%D"), dir));
    const SystemInfoSources sources{registry.isEmpty() ? nullptr : &m_registry,
                                    QString(configured).replace(QLatin1String("%D"), dir)};

    QCOMPARE(StartSysInfo(sources, m_messages), !started.isEmpty());
    if (started.isEmpty()) {
        QCOMPARE(m_messages.messages.size(), 1);
        QCOMPARE(m_messages.messages[0].text, unavailable);
        QCOMPARE(m_messages.messages[0].title, QString()); // the application's title
    } else {
        QCOMPARE(readStarted(), started);
        QVERIFY(m_messages.messages.isEmpty());
    }
}

void AboutTest::links_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("web");
    QTest::newRow("defaults: the program's documents")
        << ""
        << "<a href=\"file:///opt/kwp/doc/README.md\">Hilfe zu KWP-Import</a>"
        << "<a href=\"file:///opt/kwp/doc/\">Dokumentation von KWP-Import</a>";
    QTest::newRow("a site's helpdesk")
        << "[About]\nMailText=IT-Helpdesk\nMailTarget=mailto:hilfe@firma.example\n"
           "WebText=\"Lohn, Intranet\"\nWebTarget=https://intranet.example/lohn?a=1&b=2\n"
        << "<a href=\"mailto:hilfe@firma.example\">IT-Helpdesk</a>"
        << "<a href=\"https://intranet.example/lohn?a=1&amp;b=2\">Lohn, Intranet</a>";
    QTest::newRow("address, path, text only")
        << "[About]\nMailTarget=hilfe@firma.example\nWebText=Lohnbüro <3>\n"
           "WebTarget=/srv/doku/Lohn.pdf\n"
        << "<a href=\"mailto:hilfe@firma.example\">hilfe@firma.example</a>"
        << "<a href=\"file:///srv/doku/Lohn.pdf\">Lohnbüro &lt;3&gt;</a>";
    QTest::newRow("no usable target: text without link")
        << "[About]\nMailText=Frau Berger, Kl. 12\nWebText=Intranet\nWebTarget=kein Ziel\n"
        << "Frau Berger, Kl. 12"
        << "Intranet";
}

void AboutTest::links() {
    QFETCH(QString, ini);
    QFETCH(QString, mail);
    QFETCH(QString, web);
    auto about = controller(ini);
    about->open();
    QCOMPARE(label(about->window(), "ctHyperLink1")->text(), mail);
    QCOMPARE(label(about->window(), "ctHyperLink2")->text(), web);
    about->window()->close();
}

void AboutTest::windowTexts() {
    auto about = controller();
    about->open();
    frmAbout *window = about->window();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Info zu kwp"));
    QCOMPARE(label(window, "lblTitle")->text(), QStringLiteral("kwp"));
    QCOMPARE(label(window, "lblVersion")->text(), QStringLiteral("1.0.0"));
    QCOMPARE(label(window, "Producktname")->text(), QStringLiteral("Produktname"));
    QCOMPARE(label(window, "Version")->text(), QStringLiteral("Version "));
    QCOMPARE(label(window, "lblMail")->text(), QStringLiteral("Kontakt"));
    QCOMPARE(label(window, "Description")->text(), QStringLiteral("Beschreibung"));
    QCOMPARE(label(window, "lblDescription")->text(), QStringLiteral("KWP-Exportmodul für KORVEX"));
    QCOMPARE(label(window, "Erstellt")->text(),
             QStringLiteral("Erstellt am 11.04.2001 Letzte Korrektur 12.04.2001"));
    QCOMPARE(button(window, "cmdOK")->text(), QStringLiteral("OK"));
    QVERIFY(button(window, "cmdOK")->isDefault());
    QCOMPARE(button(window, "cmdSysInfo")->text(), QStringLiteral("&Systeminfo..."));
    QVERIFY(!window->isModal());
    QCOMPARE(window->parentWidget(), &m_main);
    QVERIFY(
        !(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(label(window, "picIcon")->pixmap().size(), QSize(32, 32));
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(256, 256)));
    QCOMPARE(label(window, "Image1")->pixmap().size(), QSize(1089, 317));
    QCOMPARE(label(window, "Image2")->pixmap().size(), QSize(162, 245));
    window->close();
}

void AboutTest::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("picIcon") << "picIcon" << QRect(240, 240, 540, 540);
    QTest::newRow("Producktname") << "Producktname" << QRect(1080, 240, 975, 495);
    QTest::newRow("lblTitle") << "lblTitle" << QRect(2280, 240, 3135, 495);
    QTest::newRow("Version") << "Version" << QRect(1080, 840, 975, 255);
    QTest::newRow("lblVersion") << "lblVersion" << QRect(2290, 840, 3135, 255);
    QTest::newRow("mail heading") << "lblMail" << QRect(1080, 1200, 975, 255);
    QTest::newRow("ctHyperLink1") << "ctHyperLink1" << QRect(2280, 1200, 3135, 255);
    QTest::newRow("Description") << "Description" << QRect(1080, 1560, 975, 495);
    QTest::newRow("lblDescription") << "lblDescription" << QRect(2290, 1560, 3135, 495);
    QTest::newRow("Erstellt") << "Erstellt" << QRect(1080, 2160, 4455, 255);
    QTest::newRow("Image1") << "Image1" << QRect(480, 2640, 3255, 795);
    QTest::newRow("cmdOK") << "cmdOK" << QRect(4245, 2760, 1260, 345);
    QTest::newRow("cmdSysInfo") << "cmdSysInfo" << QRect(4260, 3240, 1245, 345);
    QTest::newRow("ctHyperLink2") << "ctHyperLink2" << QRect(480, 3480, 3255, 255);
    QTest::newRow("Image2") << "Image2" << QRect(5760, 0, 2430, 3675);
}

void AboutTest::layout() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    auto about = controller();
    about->open();
    frmAbout &window = *about->window();
    QCOMPARE(window.size(), QSize(px(window, 8250), px(window, 3795)));
    auto *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    const QRect designed(px(window, twips.x()), px(window, twips.y()), px(window, twips.width()),
                         px(window, twips.height()));
    if (twips.x() == 1080 && twips.width() == 975) {
        // A heading may grow up to the value column, so that its word is not cut off.
        auto *heading = qobject_cast<QLabel *>(control);
        QCOMPARE(control->geometry().topLeft(), designed.topLeft());
        QCOMPARE(control->height(), designed.height());
        const int room = px(window, 2280) - designed.x();
        const int word = heading->fontMetrics().horizontalAdvance(heading->text());
        QVERIFY(control->width() >= qMin(qMax(word, designed.width()), room));
        QVERIFY(control->width() <= qMax(room, designed.width()));
    } else {
        QCOMPARE(control->geometry(), designed);
    }
    window.close();
}

void AboutTest::closing_data() {
    QTest::addColumn<int>("key"); // 0: a click on OK
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void AboutTest::closing() {
    QFETCH(int, key);
    auto about = controller();
    about->open();
    QPointer<frmAbout> window = about->window();
    QVERIFY(QTest::qWaitForWindowActive(window));
    if (key)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    else
        QTest::mouseClick(button(window, "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(!window); // unloaded: gone, not hidden
    QVERIFY(!about->window());
    QVERIFY(m_messages.messages.isEmpty());
}

void AboutTest::opensOnceAndAgainAtDesignedPlace() {
    auto about = controller();
    about->open();
    frmAbout *first = about->window();
    const QRect designed = frmAbout::designedGeometry(*first->screen());
    QCOMPARE(designed.topLeft() - first->screen()->geometry().topLeft(),
             QPoint(px(*first, 2340), px(*first, 1935)));
    QCOMPARE(first->geometry(), designed);
    about->open();
    QCOMPARE(about->window(), first); // at most once

    first->move(first->pos() + QPoint(150, 90));
    label(first, "lblVersion")->clear();
    first->close();
    QTRY_VERIFY(!about->window());
    about->open();
    QVERIFY(about->window());
    QCOMPARE(about->window()->geometry(), designed);
    QCOMPARE(about->window()->windowTitle(), QStringLiteral("Info zu kwp"));
    QCOMPARE(label(about->window(), "lblVersion")->text(), QStringLiteral("1.0.0"));
    about->window()->close();
}

void AboutTest::sysInfoButtonTellsWhenUnavailable() {
    auto about = controller();
    about->open();
    QTest::mouseClick(button(about->window(), "cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages[0].text, unavailable);
    QVERIFY(about->window()->isVisible()); // the window stays

    m_registry.add(QStringLiteral("PATH=sz:") + writeProgram(QStringLiteral("info")));
    QTest::mouseClick(button(about->window(), "cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(readStarted(), QStringLiteral("info"));
    QCOMPARE(m_messages.messages.size(), 1);
    about->window()->close();
}

void AboutTest::linkThatCannotOpenIsReported() {
    LinkRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    auto about = controller();
    about->open();
    frmAbout *window = about->window();
    emit label(window, "ctHyperLink1")->linkActivated(QStringLiteral("mailto:hilfe@firma.example"));
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl(QStringLiteral("mailto:hilfe@firma.example"))});
    QVERIFY(m_messages.messages.isEmpty());
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));

    // The offscreen platform opens no file: as on a desktop without a viewer for it.
    emit label(window, "ctHyperLink2")->linkActivated(QStringLiteral("file:///opt/kwp/doc/"));
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages[0].text,
             QStringLiteral("Der Verweis \u201Efile:///opt/kwp/doc/\u201C konnte nicht "
                            "geöffnet werden."));
    window->close();
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
