#pragma once

#include <QIcon>

// The program's icon, our own artwork (about/art/kwp-import.svg), at 32 and 256 pixels: for
// the windows' title bars and the About window.
QIcon programIcon();
