#pragma once

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <string>

#include "Criteria.h"
#include "DBGrid.h"
#include "SharedData.h"
#include "ThreadAction.h"

namespace lw {

class TDataSource;
class TTableThread;
class TRecordForm;

// The program's main window: the eight criteria inputs, the tool bars, the results grid, the
// progress strip and the status line. It owns the shared data for the whole run, starts and
// steers the search worker, and opens the record view and the About window.
class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // Creates the window and, through FormCreate, the shared data (which may record start-up
  // errors instead of failing; see FormShow). `options` default to the real program's.
  explicit TMainForm(TSharedDataOptions options = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The first showing's preparation. With start-up errors recorded it shows them in one box,
  // closes the window and returns false; otherwise it sets the caption, binds the grid,
  // restores its columns and clears the criteria. Runs once; later calls repeat the result.
  bool FormShow();

  TSharedData* SharedData() const { return FSharedData.get(); }
  TDataSource* DataSource() const { return FDataSource.get(); }
  bool Searching() const { return FSearching; }
  QString StatusText() const;
  // The worker of the current search (null before the first Go).
  TTableThread* Thread() const { return FThread.get(); }
  // The record view opened from the grid, while it is open.
  TRecordForm* RecordForm() const;

  // The enabling rules; run after every change of state.
  void ActionListUpdate();

  // --- actions ---
  void ClearActionExecute();
  void GoActionExecute();
  void PauseActionExecute();
  void AbortActionExecute();
  void ExportActionExecute();
  void SummaryActionExecute();
  void UpdateActionExecute();
  void NewsActionExecute();
  void AboutActionExecute();
  void CloseActionExecute();

  // --- grid ---
  void DBGridTitleClick(int position);
  void DBGridDblClick();

  // Restores the window if minimized and brings it, and its open modal dialog, to the front
  // (a second start of the program asks for this).
  void BringToFront();

  // The inputs as the criteria builder takes them.
  TCriteriaInputs CriteriaInputs() const;

  QAction* ClearAction;
  QAction* GoAction;
  QAction* PauseAction;
  QAction* AbortAction;
  QAction* ExportAction;
  QAction* SummaryAction;
  QAction* UpdateAction;
  QAction* NewsAction;
  QAction* AboutAction;
  QAction* CloseAction;
  QToolBar* MainToolBar;
  QToolBar* OtherToolBar;
  QToolButton* PauseBtn;

  QSplitter* Splitter;
  QWidget* CriteriaPanel;
  QLineEdit* SICEdit;
  QLineEdit* SICDescEdit;
  QLineEdit* CompanyEdit;
  QLineEdit* CityEdit;
  QListWidget* StateListBox;
  QListWidget* EmployeeListBox;
  QListWidget* SalesListBox;
  QLineEdit* ZipEdit;
  TDBGrid* DBGrid;
  QWidget* ProgressPanel;
  QProgressBar* ProgressBar;
  QLabel* ProgressLabel;
  QStatusBar* StatusBar;

 signals:
  // The status line changed (tests and the benchmark wait on "Total Records Found: ").
  void StatusChanged(const QString& text);
  // The worker's end event has run.
  void SearchEnded();
  // The ended worker is gone, and with it its hold on the result table.
  void WorkerReleased();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildActions();
  void BuildToolBars();
  void BuildCriteriaPanel();
  void BuildGridAndStatus();
  void SetHints();
  QAction* MakeAction(const char* caption, const char* icon, void (TMainForm::*execute)());

  void FormCreate(TSharedDataOptions options);
  bool PrepareFirstShow();
  void FormCloseQuery();
  void WaitForWorkerEnd(int milliseconds);
  void ListBoxClick(QListWidget* list);
  void ThreadDisplay(TThreadAction action, int percent, int found, int rejected, int total,
                     const std::string& message);
  void ThreadTerminated();
  void ReleaseWorker();
  void ApplyDisplay();
  void RefreshResults(bool toFirst);
  void EmptyResultTable();
  void SetStatus(const QString& text);
  void MarkOrderColumn();
  QString Setting(const char* key) const;
  void ShowError(const QString& text);

  // Declared before the data source: the data source detaches from the result table, which
  // the shared data owns, so it must go first.
  std::unique_ptr<TSharedData> FSharedData;
  std::unique_ptr<TDataSource> FDataSource;
  std::shared_ptr<TTableThread> FThread;
  bool FSearching = false;
  bool FShown = false;
  bool FStartedCleanly = false;
  bool FGridReady = false;
  bool FClosed = false;
  // Display work left for after the worker's event (see ThreadDisplay).
  bool FDisplayPosted = false;
  bool FRefreshPending = false;
  bool FRefreshToFirst = false;
  int FPendingPercent = 0;
  QLabel* FStatusLabel = nullptr;
  QPointer<TRecordForm> FRecordForm;
};

}  // namespace lw
