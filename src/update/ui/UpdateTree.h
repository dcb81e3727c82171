#pragma once

#include <QTreeWidget>
#include <functional>

namespace lw {

// The tree of offered updates: the root "Updates" and one child per update. A left click on a
// child's image or Space on the highlighted child toggles it (ImageToggled); a click on its
// caption only highlights it. While not interactive, nothing moves, opens, closes or toggles.
class TUpdateTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TUpdateTree(QWidget* parent = nullptr);

  bool Interactive() const { return FInteractive; }
  void SetInteractive(bool interactive);
  // Where a node's image is drawn, in viewport coordinates.
  QRect ImageRect(QTreeWidgetItem* item) const;

  std::function<void(QTreeWidgetItem* item)> OnToggle;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool FInteractive = true;
};

}  // namespace lw
