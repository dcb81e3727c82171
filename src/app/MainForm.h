#pragma once

#include <QAction>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <string>

#include "Criteria.h"
#include "DBGrid.h"
#include "SharedData.h"
#include "StoredSearch.h"
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
  void ShowPaused(bool paused);
  void AbortActionExecute();
  void ExportActionExecute();
  void SummaryActionExecute();
  void UpdateActionExecute();
  void NewsActionExecute();
  void AboutActionExecute();
  void CloseActionExecute();
  void OpenActionExecute();

  // --- search options, remembered and saved searches ---
  TMatchOptions MatchOptions() const;
  // The eight inputs and the options as they stand (texts as UTF-8), and the reverse.
  TStoredSearch CurrentSearch() const;
  void ShowSearch(const TStoredSearch& search);
  // Asks for a name and stores the current search under it (asking before replacing one).
  void SaveSearchExecute();
  // Asks which saved search to delete.
  void DeleteSearchExecute();
  // Puts a saved search into the inputs; false when there is none of that name.
  bool LoadSearch(const QString& name);

  // Makes the searches of this session read `file`, a table of the listings layout: checks
  // it, asks for its password when it needs one, empties the results and names the table in
  // the caption. Shows what went wrong and returns false otherwise.
  bool OpenTable(const QString& file);

  // --- grid ---
  void DBGridTitleClick(int position);
  void DBGridDblClick();
  // Open Record from the keyboard or the grid's menu: the record view of the current row,
  // also when the view is already open.
  void DBGridOpenRecord();

  // Restores the window if minimized and brings it, and its open modal dialog, to the front
  // (a second start of the program asks for this).
  void BringToFront();

  // The inputs as the criteria builder takes them.
  TCriteriaInputs CriteriaInputs() const;

  // --- radius search ---
  // Enables the radius inputs when the searched table has positions (LATITUDE and LONGITUDE
  // fields), and says why not otherwise.
  void ShowNearbyState();
  // Find nearby of the record view: `centre` becomes what the radius is measured from.
  void FindNearby(const QString& centre);

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
  QAction* OpenAction;
  QAction* IgnoreCaseAction;
  QAction* WildcardsAction;
  QAction* SearchesAction;  // the drop-down of SearchesMenu
  QMenu* SearchesMenu;
  QToolBar* MainToolBar;
  QToolBar* SearchToolBar;
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
  // "Within MilesSpinBox miles of NearEdit".
  QDoubleSpinBox* MilesSpinBox;
  QLineEdit* NearEdit;
  TDBGrid* DBGrid;
  QWidget* ProgressPanel;
  QProgressBar* ProgressBar;
  QLabel* ProgressLabel;
  QStatusBar* StatusBar;
  // Beside the status line: the matches found so far and the search's time.
  QLabel* CountLabel;

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
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildActions();
  void BuildToolBars();
  void BuildCriteriaPanel();
  int CreateCriteriaInputs();
  void BuildSearchToolBar(int rowHeight);
  QLayout* BuildNearbyRow(int rowHeight);
  // The radius in miles as the criteria and the settings keep it ("10", "2.5").
  std::string MilesText() const;
  void ConnectCriteriaInputs();
  void BuildGridAndStatus();
  void SetHints();
  void BuildSearchActions();
  void FitToolBars();
  void FillSearchesMenu();
  void RestoreLastSearch();
  void RememberSearch();
  void StartCount();
  void PauseCount(bool paused);
  void StopCount();
  void ShowCount();
  void ShowSearchTime();  // the whole search's, at its end
  bool CheckSourceTable(const std::string& path, std::string& password);
  void ShowCaption();
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
  bool FPlaced = false;
  bool FStartedCleanly = false;
  bool FGridReady = false;
  bool FClosed = false;
  // Display work left for after the worker's event (see ThreadDisplay).
  bool FDisplayPosted = false;
  bool FRefreshPending = false;
  bool FRefreshToFirst = false;
  int FPendingPercent = 0;
  QLabel* FStatusLabel = nullptr;
  // The live count: the last found count the worker reported, and the search's own time
  // (pauses left out).
  QTimer* FCountTimer = nullptr;
  QElapsedTimer FClock;
  qint64 FElapsedBefore = 0;
  int FFoundSoFar = 0;
  // The table this session searches when one was opened, for the caption.
  QString FOpenedTable;
  QPointer<TRecordForm> FRecordForm;
};

}  // namespace lw
