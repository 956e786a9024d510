#include "widgets/DialogFont.h"

#include <QFontInfo>

#include <algorithm>
#include <iterator>

namespace {

// Sans-serif dialog families of Windows and of Linux desktops, in order of preference.
const char *const dialogFamilies[] = {"Segoe UI",      "Tahoma",   "Microsoft Sans Serif",
                                      "MS Sans Serif", "Arial",    "Liberation Sans",
                                      "DejaVu Sans",   "Noto Sans"};

bool isDialogFamily(const QString &family) {
    return std::any_of(std::begin(dialogFamilies), std::end(dialogFamilies), [&](const char *name) {
        return family.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    });
}

bool shownAsAsked(const QFont &font) {
    return QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0;
}

} // namespace

QFont installedFont(const QFont &wanted) {
    // A family shown as asked, or replaced by a dialog family (as Windows replaces
    // "MS Shell Dlg 2" by "Tahoma" or the desktop's "Sans Serif" by its own), is what the
    // user's other programs show too.
    if (shownAsAsked(wanted) || isDialogFamily(QFontInfo(wanted).family()))
        return wanted;
    for (const char *family : dialogFamilies) {
        QFont candidate = wanted;
        candidate.setFamily(QLatin1String(family));
        if (shownAsAsked(candidate))
            return candidate;
    }
    return wanted;
}

QFont dialogFont(const QFont &system) {
    QFont font = installedFont(system);
    font.setPointSize(8);
    return font;
}
