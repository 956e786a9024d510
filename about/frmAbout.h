#pragma once

#include "about/AboutSettings.h"
#include "about/SystemInfo.h"

#include <QDialog>

class QLabel;
class QPushButton;
class UserMessages;

// The About window: title, version, description, the two links, the pictures, "OK" and
// "&Systeminfo...". A fixed dialog frame at its designed place on the screen; closing it
// (OK, Enter, Esc, the close box) destroys it, so the next opening builds it anew.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(const AboutSettings &settings, const SystemInfoSources &systemInfo,
             UserMessages &messages, QWidget *parent = nullptr);

    // The client area's designed place: 2340, 1935 twips from the screen's top left corner,
    // 8250 x 3795 twips.
    static QRect designedGeometry(const QScreen &screen);

private:
    QLabel *picIcon;
    QLabel *Producktname;
    QLabel *lblTitle;
    QLabel *Version;
    QLabel *lblVersion;
    QLabel *lblMail; // heading of the mail link
    QLabel *ctHyperLink1;
    QLabel *Description;
    QLabel *lblDescription;
    QLabel *Erstellt;
    QWidget *Line1;
    QLabel *Image1;
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;
    QLabel *ctHyperLink2;
    QLabel *Image2;

    void Form_Load();
    void cmdSysInfo_Click();
    void openLink(const QString &target);

    SystemInfoSources systemInfo_;
    UserMessages &messages_;
};
