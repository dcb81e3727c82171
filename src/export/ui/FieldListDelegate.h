#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

namespace lw {

// Rows of the export window's field list: 16 pixels high, a glyph for the check state (image
// 14 of the window's image list when checked, 13 when not) at 4 pixels from the left edge,
// the field name at 26. A click on the glyph or the space bar toggles the row.
class TFieldListDelegate : public QStyledItemDelegate {
 public:
  static constexpr int kRowHeight = 16;
  static constexpr int kGlyphLeft = 4;
  static constexpr int kTextLeft = 26;
  static constexpr int kTextTop = 2;
  static constexpr int kCheckedImage = 14;
  static constexpr int kUncheckedImage = 13;

  explicit TFieldListDelegate(QObject* parent = nullptr);

  // The image-list index drawn for a row in this state.
  static int GlyphIndex(bool checked) { return checked ? kCheckedImage : kUncheckedImage; }
  static QPixmap Glyph(int imageIndex);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

}  // namespace lw
