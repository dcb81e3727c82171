#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidgetItem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NetUpdate.h"
#include "UpdateSettings.h"

namespace lw {

class TDownloadAnimation;
class TPictureLink;
class TUpdateTree;

// One offered update: what the tree shows and whether the user chose it.
struct TFileUpdateInfo {
  bool Selected = false;
  std::string Name;
  std::string Description;
};

// The update wizard: Welcome, Retrieving Information, Select Updates, Download Files and
// Complete. It configures and drives one run of its update engine (NetUpdate), shows the
// engine's status lines, offers the updates as a tree with check images, reports download
// progress and ends on the Complete page, from which alone it can be closed.
//
// The engine's run happens inside the Retrieve Information page's show handler; the engine's
// events move the pages and wait for the user by processing events, so the window stays live.
class TUpdateForm : public QDialog {
  Q_OBJECT
 public:
  enum TPage { pgWelcome, pgRetrieve, pgSelect, pgDownload, pgComplete };

  explicit TUpdateForm(QWidget* parent = nullptr);
  ~TUpdateForm() override;

  // The program's update settings; the engine is configured from them when the wizard shows.
  TUpdateSettings Settings;
  // The wizard variables, each "name=value", replaced in engine paths written "<name>".
  std::vector<std::string> Variables;
  // Closes the application after the updater was started; default: closes the owner's window.
  std::function<void()> OnCloseApplication;

  TNetUpdate NetUpdate;

  int Page() const;
  void GoToPage(int page);
  const std::string& Log() const { return FLog; }
  const std::vector<std::unique_ptr<TFileUpdateInfo>>& Updates() const { return FUpdates; }
  bool RestartAccepted() const { return FRestartAccepted; }
  bool Stopped() const { return FStop; }
  // Why the run ended short of the Complete page (no server, an error), "" while it has not.
  const std::string& Failure() const { return FFailure; }
  // The update node of entry i (0-based) in the tree.
  QTreeWidgetItem* UpdateNode(int i) const;

  void ActionListUpdate();

  // --- actions ---
  void NextActionExecute();
  void PriorActionExecute();
  void ContinueActionExecute();
  void CancelActionExecute();
  void FinishActionExecute();

  QAction* NextAction;
  QAction* PriorAction;
  QAction* ContinueAction;
  QAction* CancelAction;
  QAction* FinishAction;

  TPictureLink* ImageUrl;
  QLabel* TitlePanel;
  QStackedWidget* Notebook;
  QPushButton* PriorBtn;
  QPushButton* NextBtn;
  QPushButton* CancelBtn;
  QLabel* StartLabel1;
  QLabel* StartLabel2;
  QLabel* StartLabel3;
  QLabel* ServerLabel;
  QPlainTextEdit* ResultMemo;
  QLabel* ModuleLabel;
  TUpdateTree* LocalTreeView;
  QPlainTextEdit* InfoLabel;
  QLabel* DownloadLabel1;
  TDownloadAnimation* Animate;
  QLabel* LocalLabel;
  QLabel* LocalFileLabel;
  QLabel* ProgressLabel;
  QProgressBar* ProgressBar;
  QLabel* FinishLabel;
  QLabel* FailureLabel;  // one line under the page whose run ended short

 signals:
  // A page became visible and its show handler is about to run.
  void PageShown(int page);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void BuildPages();
  QWidget* BuildDownloadPage(int w);
  void BuildFailureLabel();
  void BuildButtons();
  void FormShow();
  void ApplyEngineSettings();
  void BindEvents();
  void BindButton(QPushButton* button, QAction* action);
  void SyncButtons();
  void ProcessMessages();
  void WaitForUser();
  void FreeUpdates();
  void ShowPage1();
  void ShowPage2();
  void ShowPage3();
  void ShowPage4();
  void RunEndedShort();

  // --- engine events ---
  void NetUpdateStatus(const std::string& text, int statusCode, int errCode);
  void NetUpdateGetFileList(std::vector<std::string>& list);
  void NetUpdateConvertPrefix(std::string& path);
  void NetUpdateFileProgress(const std::string& fileName, int64_t pos, int64_t size);
  void NetUpdateFileDownloaded(const std::string& fileName);
  void NetUpdateProgressCancel(bool& cancel);
  void NetUpdateAppRestart(bool& allow);
  void NetUpdateAppDoClose();

  // --- tree ---
  void LocalTreeViewToggle(QTreeWidgetItem* item);
  void LocalTreeViewChange();
  void RefreshImages();

  std::vector<std::unique_ptr<TFileUpdateInfo>> FUpdates;
  std::string FLog;
  int FSelectedCount = 0;
  int FDoneCount = 0;
  bool FContinue = false;
  bool FStop = false;
  bool FRestartAccepted = false;
  bool FReachedServer = false;  // the control file arrived
  std::string FProblem;         // the last status that reported a failure
  std::string FFailure;
  QAction* FNextBound = nullptr;
  QAction* FCancelBound = nullptr;
};

}  // namespace lw
