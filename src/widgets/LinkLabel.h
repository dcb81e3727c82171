#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QString>

namespace lw {

// A label that is a link: underlined, a pointing hand under the mouse, its text in the
// highlight colour while the mouse is over it, and its target opened (OpenLink) when the
// mouse is pressed on it.
class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TLinkLabel(QWidget* parent = nullptr);

  const QString& Target() const { return FTarget; }
  void SetTarget(const QString& target) { FTarget = target; }
  // The text colour while the mouse is away (default: the palette's window text) and while
  // it is over the label (default: the palette's highlight).
  void SetColors(const QColor& normal, const QColor& highlight);
  bool Highlighted() const { return FHighlighted; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ApplyColor();

  QString FTarget;
  QColor FDefaultNormal;
  QColor FNormal;
  QColor FHighlight;
  bool FHighlighted = false;
};

// A picture that is a link: pointing hand, target opened on a mouse press.
class TPictureLink : public QLabel {
  Q_OBJECT
 public:
  explicit TPictureLink(QWidget* parent = nullptr);

  const QString& Target() const { return FTarget; }
  void SetTarget(const QString& target) { FTarget = target; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString FTarget;
};

}  // namespace lw
