#include "ExportForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "DirectoryList.h"
#include "ExportEngine.h"
#include "FieldListDelegate.h"
#include "MessageBoxes.h"
#include "SharedData.h"
#include "Table.h"
#include "WidgetText.h"
#include "strutil/Drives.h"
#include "strutil/StrUtil.h"

namespace lw {

namespace {

constexpr qint64 kEventInterval = 20;  // ms

// Field names are 8-bit text of the table's code page (WidgetText); file names are the
// system's bytes.
std::string ToFileName(const QString& s) {
  return QFile::encodeName(s).toStdString();
}

struct TFilter {
  const char* Text;
  const char* Mask;
};
const TFilter kFilters[] = {{"All files (*.*)", "*.*"},
                            {"CSV files (*.csv)", "*.csv"},
                            {"Paradox files (*.db)", "*.db"},
                            {"Dbase files (*.dbf)", "*.dbf"},
                            {"Excel workbooks (*.xlsx)", "*.xlsx"}};

QLabel* Label(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TExportForm::TExportForm(TSharedData* sharedData, TTable* source, QWidget* parent,
                         TVolumeSource* volumes)
    : QDialog(parent),
      FSharedData(sharedData),
      FSource(source       ? source
              : sharedData ? sharedData->ResultTable()
                           : nullptr),
      FVolumes(volumes      ? volumes
               : sharedData ? &sharedData->Volumes()
                            : &SystemVolumeSource()) {
  setObjectName(QStringLiteral("ExportForm"));
  setSizeGripEnabled(true);
  resize(664, 451);
  BuildLayout();
  FillDrives();
  // The lists start in the process's current directory.
  DirListBox->SetDirectory(QDir::currentPath());
  ActionListUpdate();
}

TExportForm::~TExportForm() = default;

void TExportForm::BuildLayout() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(4, 4, 4, 4);
  BuildToolBar(root);

  MainPanel = new QWidget(this);
  MainPanel->setObjectName(QStringLiteral("MainPanel"));
  auto* mainLayout = new QHBoxLayout(MainPanel);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  Splitter = new QSplitter(Qt::Horizontal, MainPanel);
  mainLayout->addWidget(Splitter);
  root->addWidget(MainPanel, 1);
  BuildFieldPanel();
  BuildExplorerPanel();
  Splitter->setStretchFactor(0, 2);
  Splitter->setStretchFactor(1, 3);

  ProgressLabel = new QLabel(this);
  ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
  root->addWidget(ProgressLabel);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setTextVisible(false);
  ProgressBar->setRange(0, 100);
  root->addWidget(ProgressBar);

  ConnectFileControls();
}

// Export, Abort and Close.
void TExportForm::BuildToolBar(QVBoxLayout* root) {
  MenuToolBar = new QToolBar(this);
  MenuToolBar->setObjectName(QStringLiteral("MenuToolBar"));
  MenuToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ExportAction = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                             QStringLiteral("&Export"), this);
  AbortAction =
      new QAction(style()->standardIcon(QStyle::SP_BrowserStop), QStringLiteral("&Abort"), this);
  CloseAction = new QAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                            QStringLiteral("&Close"), this);
  ExportAction->setObjectName(QStringLiteral("ExportAction"));
  AbortAction->setObjectName(QStringLiteral("AbortAction"));
  CloseAction->setObjectName(QStringLiteral("CloseAction"));
  // The buttons show the icon text, which Qt derives without the "&": set it to the caption
  // so that the buttons underline and answer their access keys, as the main window's do.
  for (QAction* a : {ExportAction, AbortAction, CloseAction}) a->setIconText(a->text());
  connect(ExportAction, &QAction::triggered, this, &TExportForm::ExportActionExecute);
  connect(AbortAction, &QAction::triggered, this, &TExportForm::AbortActionExecute);
  connect(CloseAction, &QAction::triggered, this, &TExportForm::reject);
  MenuToolBar->addAction(ExportAction);
  MenuToolBar->addAction(AbortAction);
  MenuToolBar->addAction(CloseAction);
  root->addWidget(MenuToolBar);
}

// Left of the splitter: the fields and the format.
void TExportForm::BuildFieldPanel() {
  FieldPanel = new QWidget(Splitter);
  FieldPanel->setObjectName(QStringLiteral("FieldPanel"));
  auto* fields = new QVBoxLayout(FieldPanel);
  fields->setContentsMargins(4, 4, 4, 4);
  FieldListBox = new QListWidget(FieldPanel);
  FieldListBox->setObjectName(QStringLiteral("FieldListBox"));
  FieldListBox->setItemDelegate(new TFieldListDelegate(FieldListBox));
  FieldListBox->setUniformItemSizes(true);
  FormatComboBox = new QComboBox(FieldPanel);
  FormatComboBox->setObjectName(QStringLiteral("FormatComboBox"));
  FormatComboBox->addItems({QStringLiteral("CSV Comma Separated"), QStringLiteral("Dbase"),
                            QStringLiteral("Paradox"), QStringLiteral("Excel Workbook")});
  // The format changes nothing else: neither the type filter nor the name follows it.
  fields->addWidget(Label(QStringLiteral("&Fields to Export:"), FieldListBox, FieldPanel));
  fields->addWidget(FieldListBox, 1);
  fields->addWidget(Label(QStringLiteral("Export Forma&t"), FormatComboBox, FieldPanel));
  fields->addWidget(FormatComboBox);
}

// Right of the splitter: the output file.
void TExportForm::BuildExplorerPanel() {
  ExplorerPanel = new QWidget(Splitter);
  ExplorerPanel->setObjectName(QStringLiteral("ExplorerPanel"));
  auto* files = new QGridLayout(ExplorerPanel);
  files->setContentsMargins(4, 4, 4, 4);
  FileNameEdit = new QLineEdit(QStringLiteral("*.*"), ExplorerPanel);
  FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
  DirLabel = new QLabel(ExplorerPanel);
  DirLabel->setObjectName(QStringLiteral("DirLabel"));
  DirLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  DirListBox = new TDirectoryList(ExplorerPanel);
  DirListBox->setObjectName(QStringLiteral("DirListBox"));
  FileListBox = new QListWidget(ExplorerPanel);
  FileListBox->setObjectName(QStringLiteral("FileListBox"));
  FilterComboBox = new QComboBox(ExplorerPanel);
  FilterComboBox->setObjectName(QStringLiteral("FilterComboBox"));
  for (const TFilter& f : kFilters)
    FilterComboBox->addItem(QString::fromLatin1(f.Text), QString::fromLatin1(f.Mask));
  DriveComboBox = new QComboBox(ExplorerPanel);
  DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
  FullFileNameEdit = new QLineEdit(ExplorerPanel);
  FullFileNameEdit->setObjectName(QStringLiteral("FullFileNameEdit"));
  FullFileNameEdit->setEnabled(false);
  files->addWidget(Label(QStringLiteral("File &Name"), FileNameEdit, ExplorerPanel), 0, 0);
  files->addWidget(Label(QStringLiteral("&Directory"), DirListBox, ExplorerPanel), 0, 1);
  files->addWidget(FileNameEdit, 1, 0);
  files->addWidget(DirLabel, 1, 1);
  files->addWidget(FileListBox, 2, 0);
  files->addWidget(DirListBox, 2, 1);
  files->addWidget(Label(QStringLiteral("Files of ty&pe"), FilterComboBox, ExplorerPanel), 3, 0);
  files->addWidget(Label(QStringLiteral("Dri&ve"), DriveComboBox, ExplorerPanel), 3, 1);
  files->addWidget(FilterComboBox, 4, 0);
  files->addWidget(DriveComboBox, 4, 1);
  files->addWidget(new QLabel(QStringLiteral("File to Export to:"), ExplorerPanel), 5, 0, 1, 2);
  files->addWidget(FullFileNameEdit, 6, 0, 1, 2);
  files->setRowStretch(2, 1);
  // A long mount point or label would otherwise set the window's least width, which a large
  // scale factor can push past the screen; the lists show the names in full anyway.
  for (QComboBox* box : {FilterComboBox, DriveComboBox, FormatComboBox}) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(10);
  }
}

// The file controls follow each other: the list fills the name, the type and the directory
// refill the list, the drive moves the directory.
void TExportForm::ConnectFileControls() {
  connect(FileNameEdit, &QLineEdit::textChanged, this, &TExportForm::FileNameEditChange);
  connect(FileNameEdit, &QLineEdit::returnPressed, ExportAction, &QAction::trigger);
  // Only a choice copies a file's name: a click, or Space or Enter on the row the arrow keys
  // reached. The current row also moves when the focus merely passes through the list, and
  // the name typed before must survive that.
  connect(FileListBox, &QListWidget::itemClicked, this, &TExportForm::FileListBoxChoose);
  FileListBox->installEventFilter(this);
  connect(FilterComboBox, &QComboBox::currentIndexChanged, this, &TExportForm::ReadFileList);
  connect(DirListBox, &TDirectoryList::DirectoryChanged, this, [this](const QString& dir) {
    DirLabel->setText(dir);
    SelectDriveOf(dir);
    ReadFileList();
  });
  connect(DriveComboBox, &QComboBox::activated, this, [this](int index) {
    if (!DirListBox->SetDirectory(DriveComboBox->itemData(index).toString()))
      SelectDriveOf(DirListBox->Directory());
  });
}

void TExportForm::FillDrives() {
  std::vector<std::string> lines;
  GetDrivesList(lines, *FVolumes);
  DriveComboBox->clear();
  for (const std::string& line : lines) {
    const QString mount = QFile::decodeName(QByteArray::fromStdString(Str_Extract(line, 1, ";")));
    const std::string label = Str_Extract(line, 3, ";");
    DriveComboBox->addItem(label.empty() ? mount : mount + " [" + WidgetText(label) + "]", mount);
  }
}

void TExportForm::SelectDriveOf(const QString& directory) {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < DriveComboBox->count(); ++i) {
    const QString mount = DriveComboBox->itemData(i).toString();
    const bool contains =
        mount == QLatin1String("/") || directory == mount || directory.startsWith(mount + '/');
    if (contains && mount.size() > bestLength) {
      best = i;
      bestLength = mount.size();
    }
  }
  QSignalBlocker block(DriveComboBox);
  DriveComboBox->setCurrentIndex(best);
}

QString TExportForm::Directory() const {
  return DirListBox->Directory();
}

bool TExportForm::SetDirectory(const QString& path) {
  return DirListBox->SetDirectory(path);
}

// Re-reads the file list; with no file selected, its mask becomes the file name. The list's
// directory becomes the process's current one, so that the next opening starts there.
void TExportForm::ReadFileList() {
  const QString dir = DirListBox->Directory();
  const QString mask = FilterComboBox->currentData().toString();
  QDir::setCurrent(dir);
  {
    QSignalBlocker block(FileListBox);
    FileListBox->clear();
    // "*.*" means every file, as it always has, dot or not.
    const QString pattern = mask == QLatin1String("*.*") ? QStringLiteral("*") : mask;
    FileListBox->addItems(QDir(dir).entryList({pattern}, QDir::Files | QDir::Readable,
                                              QDir::Name | QDir::IgnoreCase));
    FileListBox->setCurrentRow(-1);
  }
  if (FileNameEdit->text() != mask)
    FileNameEdit->setText(mask);
  else
    FileNameEditChange();
}

void TExportForm::FileListBoxChoose(const QListWidgetItem* item) {
  if (item) FileNameEdit->setText(item->text());
}

bool TExportForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FileListBox && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
      FileListBoxChoose(FileListBox->currentItem());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TExportForm::FileNameEditChange() {
  const QString name = FileNameEdit->text();
  // A name typed with its whole path stands for itself; joined to the directory it would
  // name a file below the directory that nobody asked for.
  if (QDir::isAbsolutePath(name)) {
    FullFileNameEdit->setText(name);
    return;
  }
  const QString dir = DirListBox->Directory();
  FullFileNameEdit->setText(dir.endsWith('/') ? dir + name : dir + '/' + name);
}

void TExportForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TExportForm::FormShow() {
  FieldListBox->clear();
  FCodePage = kDefaultCodePage;
  if (FSource && FSource->Active()) {
    FCodePage = FSource->FileInfo().CodePage;
    for (int i = 0; i < FSource->FieldCount(); ++i) {
      auto* item =
          new QListWidgetItem(WidgetText(FSource->Fields(i).FieldName(), FCodePage), FieldListBox);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Checked);
    }
  }
  FullFileNameEdit->clear();
  FormatComboBox->setCurrentIndex(0);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  FieldListBox->setFocus();
}

void TExportForm::ActionListUpdate() {
  const bool idle = ExportAction->isEnabled();
  AbortAction->setEnabled(!idle);
  CloseAction->setEnabled(idle);
  MainPanel->setEnabled(idle);
}

bool TExportForm::FormCloseQuery() const {
  return CloseAction->isEnabled();
}

void TExportForm::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TExportForm::reject() {
  if (FormCloseQuery()) QDialog::reject();
}

void TExportForm::AbortActionExecute() {
  if (FEngine) FEngine->Abort();
}

void TExportForm::ExportActionExecute() {
  if (FEngine || !FSource) return;
  TExportEngine engine(*FSource);
  std::vector<TExportRow> rows;
  for (int i = 0; i < FieldListBox->count(); ++i) {
    const QListWidgetItem* item = FieldListBox->item(i);
    rows.push_back({TableBytes(item->text(), FCodePage), item->checkState() == Qt::Checked});
  }
  engine.SetRows(std::move(rows));
  engine.SetFormat(static_cast<TExportFormat>(FormatComboBox->currentIndex()));
  engine.SetOutputName(ToFileName(FullFileNameEdit->text()));

  // Running the event loop and relabelling once per record costs far more than writing the
  // record (minutes for a million records on an X display), so both happen at most every
  // kEventInterval ms; Abort still answers within that time.
  QElapsedTimer eventClock;
  int labelPosition = 0, labelWritten = 0;
  bool labelPending = false;
  auto showLabel = [&] {
    if (!labelPending) return;
    ProgressLabel->setText(QString::fromLatin1(ExportProgressText(labelPosition, labelWritten)));
    labelPending = false;
  };

  TExportCallbacks& cb = engine.Callbacks();
  cb.ShowMessage = [this](const std::string& m) { TMessageBoxes::ShowError(this, WidgetText(m)); };
  cb.AskYesNo = [this](const std::string& q) {
    return TMessageBoxes::AskYesNo(this, WidgetText(q));
  };
  cb.Running = [this, &engine, &showLabel](bool running) {
    if (!running) showLabel();
    FEngine = running ? &engine : nullptr;
    ExportAction->setEnabled(!running);
    ActionListUpdate();
  };
  cb.Progress = [this](int position) { ProgressBar->setValue(position); };
  cb.RecordWritten = [&](int position, int written) {
    labelPosition = position;
    labelWritten = written;
    labelPending = true;
  };
  cb.ProcessEvents = [&] {
    if (eventClock.isValid() && eventClock.elapsed() < kEventInterval) return;
    showLabel();
    QCoreApplication::processEvents();
    eventClock.restart();
  };
  // Disabling the panel for the run takes the focus from it; the keyboard carries on where it
  // was (the name box, after Return) once the run is over.
  const QPointer<QWidget> focus = QApplication::focusWidget();
  engine.Execute();
  FEngine = nullptr;
  if (focus && focus->isEnabled()) focus->setFocus();
}

}  // namespace lw
