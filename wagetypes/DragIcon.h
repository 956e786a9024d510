#pragma once

#include <QPixmap>

// The drag icon of the category list: a 32 x 32 picture of a category card carried by an
// arrow, drawn in the 16 colours of the classic palette.
QPixmap categoryDragIcon();
