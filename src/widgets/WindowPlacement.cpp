#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace lw {

namespace {

// Before the first showing the window manager's frame is unknown; this much is kept free for
// it (title bar above, border around), in device pixels, which is how window managers draw.
constexpr int kFrameSide = 8;
constexpr int kFrameTop = 32;

QMargins FrameOf(const QWidget* window, const QScreen* screen) {
  const QRect frame = window->frameGeometry();
  const QRect inside = window->geometry();
  if (window->isVisible() && frame != inside)
    return {inside.left() - frame.left(), inside.top() - frame.top(),
            frame.right() - inside.right(), frame.bottom() - inside.bottom()};
  const double ratio = std::max(1.0, screen->devicePixelRatio());
  const int side = static_cast<int>(std::ceil(kFrameSide / ratio));
  const int top = static_cast<int>(std::ceil(kFrameTop / ratio));
  return {side, top, side, side};
}

}  // namespace

void FitToScreen(QWidget* window, const QWidget* centreOver) {
  QScreen* screen = centreOver && centreOver->screen() ? centreOver->screen() : window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  const QMargins frame = FrameOf(window, screen);
  const QSize room = available.marginsRemoved(frame).size();
  const QSize wanted = window->size();
  const QSize size = wanted.boundedTo(room).expandedTo(QSize(1, 1));
  if (size != wanted) {
    if (window->minimumSize() == window->maximumSize())
      window->setFixedSize(size);
    else
      window->setMinimumSize(window->minimumSize().boundedTo(size));
    window->resize(size);
  }

  QRect outer(QPoint(), size.grownBy(frame));
  outer.moveCenter(centreOver ? centreOver->window()->frameGeometry().center()
                              : available.center());
  // Kept inside the available area, the title bar last, so that it is always reachable.
  if (outer.right() > available.right()) outer.moveRight(available.right());
  if (outer.bottom() > available.bottom()) outer.moveBottom(available.bottom());
  if (outer.left() < available.left()) outer.moveLeft(available.left());
  if (outer.top() < available.top()) outer.moveTop(available.top());
  window->move(outer.topLeft());
}

}  // namespace lw
