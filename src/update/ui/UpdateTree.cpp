#include "UpdateTree.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace lw {

TUpdateTree::TUpdateTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setIndentation(19);
  setIconSize(QSize(16, 16));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setRootIsDecorated(true);
  setExpandsOnDoubleClick(false);
}

void TUpdateTree::SetInteractive(bool interactive) {
  FInteractive = interactive;
  setItemsExpandable(interactive);
}

QRect TUpdateTree::ImageRect(QTreeWidgetItem* item) const {
  const QModelIndex index = indexFromItem(item);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.index = index;
  option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
  option.icon = item->icon(0);
  option.text = item->text(0);
  option.decorationSize = iconSize();
  return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

void TUpdateTree::mousePressEvent(QMouseEvent* event) {
  if (!FInteractive) return;
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  const bool onImage = item && item->parent() && event->button() == Qt::LeftButton &&
                       ImageRect(item).contains(event->position().toPoint());
  QTreeWidget::mousePressEvent(event);
  if (onImage && OnToggle) OnToggle(item);
}

void TUpdateTree::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click is two presses: the second already toggled back, nothing else happens.
  if (!FInteractive) return;
  mousePressEvent(event);
}

void TUpdateTree::keyPressEvent(QKeyEvent* event) {
  if (!FInteractive) return;
  if (event->key() == Qt::Key_Space) {
    QTreeWidgetItem* item = currentItem();
    if (item && item->parent() && OnToggle) OnToggle(item);
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace lw
