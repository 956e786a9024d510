#pragma once

#include <QFont>

// The font the windows are drawn in: the system's dialog font, 8 points, as the fixed layouts
// were drawn for. Where the system's dialog family is not installed (Wine without Windows'
// fonts: "MS Shell Dlg" stands for a missing "Tahoma", and the first family at hand, a math
// font whose tall line spacing hides the text of edit boxes, takes its place), the first
// installed of the common sans-serif dialog families is taken instead.
QFont dialogFont(const QFont &system);
