#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QSplitter;
class QToolBar;
class QVBoxLayout;
class QWidget;

namespace lw {

class TExportEngine;
class TDirectoryList;
class TSharedData;
class TTable;
class TVolumeSource;

// The export window: pick the fields, the format and the output file, run the export and
// watch or abort it. It reads the result table given at creation, the grid's own cursor.
class TExportForm : public QDialog {
  Q_OBJECT
 public:
  // `source`: the table to export (null: the shared data's result table). `volumes`: where
  // the drive list comes from (null: the shared data's, or the machine's).
  TExportForm(TSharedData* sharedData, TTable* source, QWidget* parent = nullptr,
              TVolumeSource* volumes = nullptr);
  ~TExportForm() override;

  // --- actions ---
  void ExportActionExecute();
  void AbortActionExecute();
  // The enabling rules; run at once when an export starts or ends.
  void ActionListUpdate();
  // The current directory of the directory list (absolute, no trailing '/' but the root).
  QString Directory() const;
  bool SetDirectory(const QString& path);
  bool Exporting() const { return FEngine != nullptr; }

  QToolBar* MenuToolBar;
  QAction* ExportAction;
  QAction* AbortAction;
  QAction* CloseAction;
  QWidget* MainPanel;
  QSplitter* Splitter;
  QWidget* FieldPanel;
  QListWidget* FieldListBox;
  QComboBox* FormatComboBox;
  QWidget* ExplorerPanel;
  QLineEdit* FileNameEdit;
  QLabel* DirLabel;
  TDirectoryList* DirListBox;
  QListWidget* FileListBox;
  QComboBox* FilterComboBox;
  QComboBox* DriveComboBox;
  QLineEdit* FullFileNameEdit;
  QLabel* ProgressLabel;
  QProgressBar* ProgressBar;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void BuildToolBar(QVBoxLayout* root);
  void BuildFieldPanel();
  void BuildExplorerPanel();
  void ConnectFileControls();
  void FormShow();
  bool FormCloseQuery() const;
  void FileNameEditChange();
  void FileListBoxChoose(const QListWidgetItem* item);
  void ReadFileList();
  void FillDrives();
  void SelectDriveOf(const QString& directory);

  TSharedData* FSharedData;
  TTable* FSource;
  TVolumeSource* FVolumes;
  TExportEngine* FEngine = nullptr;  // the running export
  int FCodePage = 0;                 // of the source table's field names
};

}  // namespace lw
