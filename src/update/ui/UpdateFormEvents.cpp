// The wizard's answers to the update engine's events, and the update tree.
#include <QCoreApplication>
#include <climits>

#include "DownloadAnimation.h"
#include "Icons.h"
#include "LinkOpener.h"
#include "MessageBoxes.h"
#include "UpdateDialogs.h"
#include "UpdateForm.h"
#include "UpdateStatus.h"
#include "UpdateTree.h"
#include "WidgetText.h"
#include "strutil/FileUtil.h"

namespace lw {

namespace {

// Image numbers of the tree: root collapsed, entry not chosen, root expanded, entry chosen.
QIcon TreeImage(int number) {
  static const char* names[] = {"update-root", "update-off", "update-root-open", "update-on"};
  static QIcon icons[4];
  if (icons[number].isNull()) icons[number] = ProgramIcon(QString::fromLatin1(names[number]));
  return icons[number];
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

TFileUpdateInfo* EntryOf(QTreeWidgetItem* item) {
  return item ? static_cast<TFileUpdateInfo*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

}  // namespace

void TUpdateForm::BindEvents() {
  TNetUpdate& e = NetUpdate;
  e.OnStatus = [this](const std::string& t, int s, int c) { NetUpdateStatus(t, s, c); };
  e.OnGetFileList = [this](std::vector<std::string>& list) { NetUpdateGetFileList(list); };
  e.OnConvertPrefix = [this](std::string& path) { NetUpdateConvertPrefix(path); };
  e.OnFileProgress = [this](const std::string& f, int64_t pos, int64_t size) {
    NetUpdateFileProgress(f, pos, size);
  };
  e.OnFileDownloaded = [this](const std::string& f) { NetUpdateFileDownloaded(f); };
  e.OnProgressCancel = [this](bool& cancel) { NetUpdateProgressCancel(cancel); };
  e.OnAppRestart = [this](bool& allow) { NetUpdateAppRestart(allow); };
  e.OnAppDoClose = [this] { NetUpdateAppDoClose(); };
  // What the engine would show itself: the program's message boxes and the two text dialogs.
  e.OnShowMessage = [this](const std::string& text, bool error) {
    if (error)
      TMessageBoxes::ShowError(this, WidgetText(text));
    else
      TMessageBoxes::ShowInfo(this, WidgetText(text));
  };
  e.OnAskQuestion = [this](const std::string& q) {
    return TMessageBoxes::AskYesNo(this, WidgetText(q));
  };
  e.OnWhatsNewDialog = [this](const TWhatsNewDialog& d) { return ShowWhatsNew(this, d); };
  e.OnEulaDialog = [this](const TEulaDialog& d) { return ShowEula(this, d); };
  e.OnOpenURL = [](const std::string& url) { OpenLink(WidgetText(url)); };
  e.OnProcessMessages = [] { QCoreApplication::processEvents(); };

  LocalTreeView->OnToggle = [this](QTreeWidgetItem* item) { LocalTreeViewToggle(item); };
  connect(LocalTreeView, &QTreeWidget::currentItemChanged, this, &TUpdateForm::LocalTreeViewChange);
  connect(LocalTreeView, &QTreeWidget::itemExpanded, this, &TUpdateForm::RefreshImages);
  connect(LocalTreeView, &QTreeWidget::itemCollapsed, this, &TUpdateForm::RefreshImages);
}

void TUpdateForm::NetUpdateStatus(const std::string& text, int statusCode, int errCode) {
  ResultMemo->appendPlainText(
      WidgetText("[" + std::to_string(statusCode) + " - " + std::to_string(errCode) + "] " + text));
  // Kept for the line that says why a run ended short (see RunEndedShort).
  if (text == UpdateStatusText(usControlFound).Text) FReachedServer = true;
  if (statusCode == 1 || statusCode == 2 || statusCode == 6 ||
      (statusCode >= 8 && statusCode <= 11) || statusCode == 14 || statusCode == 15)
    FProblem = text;
  if (statusCode == 1 || statusCode == 2 || statusCode == 8) {
    FLog += "\r\n" + text;
  } else if (statusCode == 16) {
    // An installed copy: the run ends here, and the Complete page says why.
    FLog += "\r\n" + text + ".";
    FStop = true;
    GoToPage(pgComplete);
  } else if (statusCode == 4) {
    FLog += "\r\nNo updates are available.";
    GoToPage(pgComplete);
  } else if (statusCode == 9) {
    // The updater did not start: the application still closes, and without this box the
    // user would see it go without the new version and without a word.
    TMessageBoxes::ShowError(this, WidgetText(text));
  }
  if (FStop && Page() != pgComplete) GoToPage(pgComplete);
}

void TUpdateForm::FreeUpdates() {
  LocalTreeView->clear();
  FUpdates.clear();
  InfoLabel->clear();
}

QTreeWidgetItem* TUpdateForm::UpdateNode(int i) const {
  QTreeWidgetItem* root = LocalTreeView->topLevelItem(0);
  return root && i >= 0 && i < root->childCount() ? root->child(i) : nullptr;
}

void TUpdateForm::NetUpdateGetFileList(std::vector<std::string>& list) {
  FreeUpdates();
  FSelectedCount = 0;
  auto* root = new QTreeWidgetItem(LocalTreeView, QStringList(QStringLiteral("Updates")));
  for (const std::string& entry : list) {
    auto info = std::make_unique<TFileUpdateInfo>();
    const size_t semi = entry.find(';');
    info->Name = semi == std::string::npos ? std::string() : entry.substr(0, semi);
    info->Description = semi == std::string::npos ? entry : entry.substr(semi + 1);
    ReplaceAll(info->Description, "%CR%", "\r\n");
    auto* node = new QTreeWidgetItem(root, QStringList(WidgetText(info->Name)));
    node->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(info.get())));
    FUpdates.push_back(std::move(info));
  }
  root->setExpanded(true);
  RefreshImages();
  FContinue = false;
  GoToPage(pgSelect);
  LocalTreeView->setFocus();
  if (!FStop) WaitForUser();

  LocalTreeView->SetInteractive(false);
  for (size_t i = 0; i < FUpdates.size() && i < list.size(); ++i) {
    if (FUpdates[i]->Selected)
      ++FSelectedCount;
    else
      list[i].clear();
  }
  if (FStop) {
    FreeUpdates();
    for (std::string& entry : list) entry.clear();
    if (Page() != pgComplete) GoToPage(pgComplete);
  } else {
    // Downloads are counted from here on, so what's-new and licence texts fetched before the
    // choice neither shift "file N of M" nor end the download page early.
    FDoneCount = 0;
    GoToPage(pgDownload);
  }
}

void TUpdateForm::NetUpdateConvertPrefix(std::string& path) {
  ReplaceUpdateVariables(path, Variables);
}

void TUpdateForm::NetUpdateFileProgress(const std::string& fileName, int64_t pos, int64_t size) {
  LocalFileLabel->setText(WidgetText(ExtractFileName(fileName)));
  if (FSelectedCount > 0)
    ProgressLabel->setText(QStringLiteral("Downloading file %1 of %2 file(s)")
                               .arg(FDoneCount + 1)
                               .arg(FSelectedCount));
  // The bar counts in units that fit its int range, whatever the file's size.
  const int64_t unit = size > INT_MAX ? size / INT_MAX + 1 : 1;
  ProgressBar->setMaximum(static_cast<int>(size / unit));
  ProgressBar->setValue(static_cast<int>(pos / unit));
  if (pos == size) {
    ProgressBar->setValue(0);
    LocalFileLabel->clear();
  }
  ProcessMessages();
}

void TUpdateForm::NetUpdateFileDownloaded(const std::string&) {
  ++FDoneCount;
  if (FSelectedCount > 0 && FDoneCount >= FSelectedCount && Page() != pgComplete)
    GoToPage(pgComplete);
}

void TUpdateForm::NetUpdateProgressCancel(bool& cancel) {
  cancel = FStop;
  if (FStop && Page() != pgComplete) GoToPage(pgComplete);
  ProcessMessages();
}

void TUpdateForm::NetUpdateAppRestart(bool& allow) {
  FRestartAccepted = allow = !FStop;
  if (!FRestartAccepted) return;
  FContinue = false;
  GoToPage(pgComplete);
  WaitForUser();
}

void TUpdateForm::NetUpdateAppDoClose() {
  if (!FRestartAccepted) return;
  if (OnCloseApplication)
    OnCloseApplication();
  else if (QWidget* owner = parentWidget())
    owner->window()->close();
}

// --- tree -----------------------------------------------------------------------------------

void TUpdateForm::LocalTreeViewToggle(QTreeWidgetItem* item) {
  TFileUpdateInfo* info = EntryOf(item);
  if (!info || !LocalTreeView->Interactive()) return;
  info->Selected = !info->Selected;
  RefreshImages();
  ActionListUpdate();
}

void TUpdateForm::LocalTreeViewChange() {
  const TFileUpdateInfo* info = EntryOf(LocalTreeView->currentItem());
  InfoLabel->setPlainText(
      info ? WidgetText(info->Description).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
           : QString());
}

void TUpdateForm::RefreshImages() {
  QTreeWidgetItem* root = LocalTreeView->topLevelItem(0);
  if (!root) return;
  root->setIcon(0, TreeImage(root->isExpanded() ? 2 : 0));
  for (int i = 0; i < root->childCount(); ++i) {
    const TFileUpdateInfo* info = EntryOf(root->child(i));
    root->child(i)->setIcon(0, TreeImage(info && info->Selected ? 3 : 1));
  }
}

}  // namespace lw
