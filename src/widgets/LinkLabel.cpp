#include "LinkLabel.h"

#include <QMouseEvent>

#include "LinkOpener.h"

namespace lw {

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
  FDefaultNormal = palette().color(QPalette::WindowText);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  setCursor(Qt::PointingHandCursor);
  ApplyColor();
}

void TLinkLabel::SetColors(const QColor& normal, const QColor& highlight) {
  FNormal = normal;
  FHighlight = highlight;
  ApplyColor();
}

void TLinkLabel::ApplyColor() {
  const QColor normal = FNormal.isValid() ? FNormal : FDefaultNormal;
  const QColor high = FHighlight.isValid() ? FHighlight : palette().color(QPalette::Highlight);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, FHighlighted ? high : normal);
  setPalette(p);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
  FHighlighted = true;
  ApplyColor();
  QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event) {
  FHighlighted = false;
  ApplyColor();
  QLabel::leaveEvent(event);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    OpenLink(FTarget);
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

TPictureLink::TPictureLink(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  setAlignment(Qt::AlignCenter);
}

void TPictureLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    OpenLink(FTarget);
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

}  // namespace lw
