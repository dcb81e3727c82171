#pragma once

class QWidget;

namespace lw {

// Gives a window its first place: no larger than the available area of its screen (the
// desktop less its panels), at whatever scale the screen runs, and centred on that area, or
// over `centreOver`'s window when given, without leaving the area. A window of fixed size
// that would not fit gets the largest size that does. Call it once, before the first showing
// or from it.
void FitToScreen(QWidget* window, const QWidget* centreOver = nullptr);

}  // namespace lw
