#pragma once
// The program's pictures, drawn by code so they scale and need no binary files.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quillory::ui {

QPixmap splashPicture();        // 650 x 413
QPixmap logoPicture();          // 100 x 39
QPixmap quillPicture(int w, int h);

// Toolbar glyphs, drawn as line art so they stay crisp at any scale. Unknown names give an
// empty icon.
QIcon commandIcon(const QString& name);

} // namespace quillory::ui
