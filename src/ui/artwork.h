#pragma once
// The program's pictures, drawn by code so they scale and need no binary files.

#include <QPixmap>

namespace quillory::ui {

QPixmap splashPicture();        // 650 x 413
QPixmap logoPicture();          // 100 x 39
QPixmap quillPicture(int w, int h);

} // namespace quillory::ui
