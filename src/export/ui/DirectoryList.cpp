#include "DirectoryList.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace lw {

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kIndent = 2;  // blanks per level
}  // namespace

TDirectoryList::TDirectoryList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { SetDirectory(RowDirectory(item)); });
}

QString TDirectoryList::RowDirectory(const QListWidgetItem* item) {
  return item ? item->data(kPathRole).toString() : QString();
}

bool TDirectoryList::SetDirectory(const QString& path) {
  const QFileInfo info(path);
  if (!info.isDir() || !info.isReadable()) return false;
  const QString clean = QDir::cleanPath(info.absoluteFilePath());
  if (clean == FDirectory) return true;
  FDirectory = clean;
  Fill();
  emit DirectoryChanged(FDirectory);
  return true;
}

void TDirectoryList::Fill() {
  clear();
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  QStringList levels;
  for (QDir d(FDirectory);;) {
    levels.prepend(d.absolutePath());
    if (d.isRoot() || !d.cdUp()) break;
  }
  int depth = 0;
  QListWidgetItem* current = nullptr;
  for (const QString& level : levels) {
    const QString name = depth == 0 ? level : QFileInfo(level).fileName();
    auto* item = new QListWidgetItem(open, QString(depth * kIndent, ' ') + name, this);
    item->setData(kPathRole, level);
    current = item;
    ++depth;
  }
  const QStringList subdirs =
      QDir(FDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& sub : subdirs) {
    auto* item = new QListWidgetItem(closed, QString(depth * kIndent, ' ') + sub, this);
    item->setData(kPathRole, QDir(FDirectory).absoluteFilePath(sub));
  }
  setCurrentItem(current);
}

}  // namespace lw
