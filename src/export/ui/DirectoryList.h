#pragma once

#include <QListWidget>
#include <QString>

namespace lw {

// The directory list of the export window: the current directory's path from the root of its
// volume down, one row per level, then its subdirectories one level deeper. Opening a row
// (double-click or Enter) makes it the current directory.
class TDirectoryList : public QListWidget {
  Q_OBJECT
 public:
  explicit TDirectoryList(QWidget* parent = nullptr);

  // Absolute, without a trailing '/' except for the root itself.
  const QString& Directory() const { return FDirectory; }
  // Moves to `path` (made absolute and clean); a path that is no readable directory is
  // ignored and false returned.
  bool SetDirectory(const QString& path);
  // The row's directory.
  static QString RowDirectory(const QListWidgetItem* item);

 signals:
  void DirectoryChanged(const QString& directory);

 private:
  void Fill();
  QString FDirectory;
};

}  // namespace lw
