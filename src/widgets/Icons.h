#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace lw {

// The program's own pictures, drawn as SVG and compiled in as resources: tool bar and
// navigator glyphs by name ("go", "pause", "nav-first", ...), the program icon ("app") and
// the About window's built-in logo ("logo").
//
// Icons are rendered for every common size up front, so tool bars at any size and screens
// at any scale get crisp pixmaps; an unknown name gives a null icon.
QIcon ProgramIcon(const QString& name);
// One picture at `size` logical pixels (rendered for the screen's pixel ratio).
QPixmap ProgramPicture(const QString& name, QSize size, qreal pixelRatio = 1.0);

}  // namespace lw
