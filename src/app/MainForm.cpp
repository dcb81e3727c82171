// The main window's life: creation with the shared data, the first showing, closing.
#include "MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QTimer>

#include "AppStyle.h"
#include "DataSource.h"
#include "GridLayout.h"
#include "MessageBoxes.h"
#include "RecordForm.h"
#include "SettingsKeys.h"
#include "Table.h"
#include "TableThread.h"
#include "WidgetText.h"
#include "WindowPlacement.h"

namespace lw {

namespace {

// How long closing waits for a running search to wind down before it empties the result
// table. The worker stops at its next record, so this is only reached when a read hangs.
constexpr int kWorkerStopWait = 5000;

}  // namespace

TMainForm::TMainForm(TSharedDataOptions options, QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("TMainForm"));
  QFont f(QStringLiteral("Sans Serif"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(8);
  setFont(f);
  resize(689, 545);
  SetHintTiming();

  BuildActions();
  BuildToolBars();
  BuildCriteriaPanel();
  BuildGridAndStatus();
  SetHints();
  FormCreate(std::move(options));
  ActionListUpdate();
}

TMainForm::~TMainForm() {
  // Record views are ours and read through our data source: they go before it does, the
  // open one and any closed one still waiting for its deferred deletion.
  qDeleteAll(findChildren<TRecordForm*>());
  if (FThread && FSearching) {
    // Closing gave up waiting for it. A running worker keeps itself alive until its end and
    // then frees itself on its own thread, so letting go here never waits for it.
    FThread->SetOnDisplay(nullptr);
    FThread->Terminate();
    if (FThread->Suspended()) FThread->Resume();
  } else {
    ReleaseWorker();
  }
  FThread.reset();
  DBGrid->SetDataSource(nullptr);
  FDataSource.reset();
  FSharedData.reset();  // FormDestroy
}

void TMainForm::FormCreate(TSharedDataOptions options) {
  FSearching = false;
  if (!options.Notifier) options.Notifier = std::make_shared<TMessageBoxNotifier>();
  FSharedData = std::make_unique<TSharedData>(std::move(options));
  FDataSource = std::make_unique<TDataSource>();
}

QString TMainForm::Setting(const char* key) const {
  return WidgetText(FSharedData->Params().Value(key));
}

void TMainForm::ShowError(const QString& text) {
  // A box over a window not shown (a failed start) would sit where that window would have
  // been; without a parent it is centred on the screen.
  TMessageBoxes::ShowError(isVisible() ? this : nullptr, text);
}

TRecordForm* TMainForm::RecordForm() const {
  return FRecordForm && FRecordForm->isVisible() ? FRecordForm.data() : nullptr;
}

bool TMainForm::PrepareFirstShow() {
  if (FShown) return FStartedCleanly;
  FShown = true;
  if (!FSharedData->ErrorText().empty()) {
    ShowError(WidgetText(FSharedData->ErrorText()));
    return false;
  }
  ShowCaption();
  // An earlier session that searched a table of other fields (Open) left the result table
  // shaped for that one; it is made to fit this source again before anything reads it.
  try {
    FSharedData->SetSourceTable(FSharedData->SourceDir() + FSharedData->SourceTableName(),
                                FSharedData->SourcePassword());
  } catch (const std::exception&) {
    // A source that cannot be read now fails the first search with its own message.
  }
  FDataSource->SetDataSet(FSharedData->ResultTable());
  DBGrid->SetDataSource(FDataSource.get());
  LoadGridLayout(FSharedData->ConfigIni(), FSharedData->ResultTable(), *DBGrid);
  FGridReady = true;
  MarkOrderColumn();
  ShowNearbyState();
  ClearActionExecute();
  RestoreLastSearch();
  FStartedCleanly = true;
  return true;
}

bool TMainForm::FormShow() {
  const bool firstTime = !FShown;
  const bool ok = PrepareFirstShow();
  if (!ok && firstTime) close();
  return ok;
}

void TMainForm::showEvent(QShowEvent* event) {
  // Placed at the first showing, also when FormShow ran before it (the program's own start).
  if (!FPlaced) {
    FPlaced = true;
    FitToScreen(this);
  }
  if (!FShown) {
    // Shown without FormShow having run first: prepare now, and close once the showing is
    // over when start-up failed.
    if (!PrepareFirstShow()) QTimer::singleShot(0, this, &QWidget::close);
  }
  QMainWindow::showEvent(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!FClosed) {
    FClosed = true;
    FormCloseQuery();
    if (FRecordForm) FRecordForm->close();
  }
  event->accept();
}

void TMainForm::FormCloseQuery() {
  if (FSearching && FThread) {
    FThread->Terminate();
    // A worker that was never started (a failed Go) only ends once it runs.
    if (FThread->Suspended()) FThread->Resume();
    // Emptying the result table while the worker still holds it open would fail; the worker
    // stops at its next record, so the wait is short.
    WaitForWorkerEnd(kWorkerStopWait);
  }
  ReleaseWorker();
  if (FSharedData->ResultTable()) EmptyResultTable();
  if (FGridReady && FSharedData->ErrorText().empty())
    SaveGridLayout(FSharedData->ConfigIni(), *DBGrid);
}

void TMainForm::WaitForWorkerEnd(int milliseconds) {
  QEventLoop loop;
  QTimer timeout;
  timeout.setSingleShot(true);
  connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(this, &TMainForm::WorkerReleased, &loop, &QEventLoop::quit);
  timeout.start(milliseconds);
  // The worker's last calls reach this thread as queued calls; input stays blocked so that
  // nothing else starts while the window is closing.
  while (FSearching && timeout.isActive()) loop.exec(QEventLoop::ExcludeUserInputEvents);
  ReleaseWorker();
}

void TMainForm::EmptyResultTable() {
  TTable* table = FSharedData->ResultTable();
  if (!table) return;
  table->DisableControls();
  FSharedData->RestructureTable(table, "");
  table->EnableControls();
}

void TMainForm::BringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->raise();
    modal->activateWindow();
  }
}

}  // namespace lw
