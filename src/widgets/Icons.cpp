#include "Icons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace lw {

namespace {

QString ResourcePath(const QString& name) {
  const QString icon = QStringLiteral(":/lw/icons/%1.svg").arg(name);
  if (QFile::exists(icon)) return icon;
  return QStringLiteral(":/lw/%1.svg").arg(name);
}

QPixmap Render(QSvgRenderer& renderer, QSize size, qreal pixelRatio) {
  QPixmap pixmap(size * pixelRatio);
  pixmap.fill(Qt::transparent);
  {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
  }
  pixmap.setDevicePixelRatio(pixelRatio);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon(const QString& name) {
  QSvgRenderer renderer(ResourcePath(name));
  if (!renderer.isValid()) return {};
  QIcon icon;
  for (int side : {16, 20, 24, 32, 40, 48, 64, 96})
    icon.addPixmap(Render(renderer, QSize(side, side), 1.0));
  return icon;
}

QPixmap ProgramPicture(const QString& name, QSize size, qreal pixelRatio) {
  QSvgRenderer renderer(ResourcePath(name));
  if (!renderer.isValid()) return {};
  return Render(renderer, size, pixelRatio);
}

}  // namespace lw
