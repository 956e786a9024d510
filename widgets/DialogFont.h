#pragma once

#include <QFont>

// The font asked for where its family is installed. Where it is not, and what stands in is no
// dialog family (Wine without Windows' fonts: "MS Shell Dlg" and "MS Sans Serif" fall to the
// first family at hand, a math font whose tall line spacing hides the text of edit boxes), the
// first installed of the common sans-serif dialog families takes its place, at the same size.
QFont installedFont(const QFont &wanted);

// The windows' font: the system's dialog font (see installedFont) at 8 points, the size the
// fixed layouts were drawn for.
QFont dialogFont(const QFont &system);
