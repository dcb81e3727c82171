#include "DownloadAnimation.h"

#include <QPainter>

namespace lw {

namespace {
constexpr int kFrames = 12;
}

TDownloadAnimation::TDownloadAnimation(QWidget* parent) : QWidget(parent) {
  FTimer.setInterval(90);
  connect(&FTimer, &QTimer::timeout, this, [this] {
    FFrame = (FFrame + 1) % kFrames;
    update();
  });
}

void TDownloadAnimation::Play() {
  FTimer.start();
}

void TDownloadAnimation::Stop() {
  FTimer.stop();
  FFrame = 0;
  update();
}

void TDownloadAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int h = height();
  const int side = h - 16;
  const QRect globe(8, 8, side, side);
  const QRect box(width() - 8 - side, 8 + side / 4, side, side * 3 / 4);
  p.setPen(QPen(QColor(0x24, 0x34, 0x4d), 1.5));
  p.setBrush(QColor(0x4f, 0x93, 0xd6));
  p.drawEllipse(globe);
  p.drawLine(globe.left(), globe.center().y(), globe.right(), globe.center().y());
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(globe.adjusted(side / 3, 0, -side / 3, 0));
  p.setBrush(QColor(0xe8, 0xb0, 0x4a));
  p.drawRect(box);
  // Three pages on their way, spaced evenly along the path from globe to box.
  const int from = globe.right() + 4;
  const int to = box.left() - 14;
  if (to <= from) return;
  p.setBrush(Qt::white);
  for (int i = 0; i < 3; ++i) {
    const int step = (FFrame + i * kFrames / 3) % kFrames;
    const int x = from + (to - from) * step / (kFrames - 1);
    p.drawRect(x, h / 2 - 8, 10, 14);
  }
}

}  // namespace lw
