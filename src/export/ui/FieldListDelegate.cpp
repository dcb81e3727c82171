#include "FieldListDelegate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace lw {

TFieldListDelegate::TFieldListDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QPixmap TFieldListDelegate::Glyph(int imageIndex) {
  static const QPixmap unchecked = [] {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setPen(QColor(0x80, 0x80, 0x80));
    g.setBrush(Qt::white);
    g.drawRect(2, 2, 11, 11);
    return p;
  }();
  static const QPixmap checked = [] {
    QPixmap p = unchecked.copy();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0x00, 0x80, 0x00), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tick[] = {{4.5, 8.0}, {7.0, 10.5}, {11.5, 4.5}};
    g.drawPolyline(tick, 3);
    return p;
  }();
  return imageIndex == kCheckedImage ? checked : unchecked;
}

void TFieldListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& pal = option.palette;
  painter->save();
  painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
  const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
  painter->drawPixmap(option.rect.left() + kGlyphLeft, option.rect.top(),
                      Glyph(GlyphIndex(checked)));
  painter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
  painter->setFont(option.font);
  const QRect text = option.rect.adjusted(kTextLeft, kTextTop, 0, 0);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}

QSize TFieldListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QSize s = QStyledItemDelegate::sizeHint(option, index);
  return QSize(s.width() + kTextLeft, kRowHeight);
}

bool TFieldListDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (!(index.flags() & Qt::ItemIsUserCheckable) || !(index.flags() & Qt::ItemIsEnabled))
    return false;
  bool toggle = false;
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* e = static_cast<QMouseEvent*>(event);
    toggle =
        e->button() == Qt::LeftButton && e->position().x() < option.rect.left() + kTextLeft - 4;
  } else if (event->type() == QEvent::KeyPress) {
    auto* e = static_cast<QKeyEvent*>(event);
    toggle = e->key() == Qt::Key_Space || e->key() == Qt::Key_Select;
  }
  if (!toggle) return false;
  const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
  return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

}  // namespace lw
