// The search: Clear, Go, Pause/Resume, Abort, the worker's display and end events, and the
// enabling rules that follow the search's state.
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "DataSource.h"
#include "MainForm.h"
#include "Table.h"
#include "TableThread.h"
#include "UiDelivery.h"
#include "WidgetText.h"

namespace lw {

namespace {

std::vector<bool> Selection(const QListWidget* list) {
  std::vector<bool> rows(static_cast<size_t>(list->count()), false);
  for (int i = 0; i < list->count(); ++i)
    rows[static_cast<size_t>(i)] = list->item(i)->isSelected();
  return rows;
}

}  // namespace

QString TMainForm::StatusText() const {
  return FStatusLabel->text();
}

void TMainForm::SetStatus(const QString& text) {
  if (FStatusLabel->text() == text) return;
  FStatusLabel->setText(text);
  emit StatusChanged(text);
}

TCriteriaInputs TMainForm::CriteriaInputs() const {
  TCriteriaInputs in;
  in.SIC = TableBytes(SICEdit->text());
  in.SICDesc = TableBytes(SICDescEdit->text());
  in.Company = TableBytes(CompanyEdit->text());
  in.City = TableBytes(CityEdit->text());
  in.Zip = TableBytes(ZipEdit->text());
  in.States = Selection(StateListBox);
  in.Employees = Selection(EmployeeListBox);
  in.Sales = Selection(SalesListBox);
  // A table without positions has its radius inputs disabled, and then no radius.
  if (NearEdit->isEnabled()) in.Near = TableBytes(NearEdit->text().trimmed());
  if (!in.Near.empty()) in.Miles = MilesText();
  return in;
}

void TMainForm::ListBoxClick(QListWidget* list) {
  // The header row is a choice of its own: choosing it clears every other row.
  if (list->count() == 0 || !list->item(0)->isSelected()) return;
  const QSignalBlocker block(list);
  bool changed = false;
  for (int i = 1; i < list->count(); ++i) {
    if (list->item(i)->isSelected()) {
      list->item(i)->setSelected(false);
      changed = true;
    }
  }
  if (changed) list->viewport()->update();
}

void TMainForm::ActionListUpdate() {
  TTable* results = FSharedData ? FSharedData->ResultTable() : nullptr;
  ClearAction->setEnabled(!FSearching);
  GoAction->setEnabled(!FSearching);
  AbortAction->setEnabled(!GoAction->isEnabled() && FSearching);
  PauseAction->setEnabled(AbortAction->isEnabled());
  ExportAction->setEnabled(GoAction->isEnabled() && !FSearching && results &&
                           results->RecordCount() > 0);
  SummaryAction->setEnabled(ExportAction->isEnabled());
  const bool idle = GoAction->isEnabled() && !FSearching;
  AboutAction->setEnabled(idle);
  NewsAction->setEnabled(idle);
  UpdateAction->setEnabled(idle);
  const bool news = FSharedData && !FSharedData->NetNewsURL().empty();
  if (NewsAction->isVisible() != news) {
    NewsAction->setVisible(news);
    FitToolBars();
  }
  // Another table while one is being searched would pull the result table from under it.
  OpenAction->setEnabled(idle);
  CloseAction->setEnabled(true);
}

void TMainForm::ClearActionExecute() {
  ProgressBar->setValue(FPendingPercent = 0);
  SetStatus(QString());
  StopCount();
  CountLabel->clear();
  ReleaseWorker();
  TTable* results = FSharedData->ResultTable();
  if (results) results->DisableControls();
  if (results) FSharedData->RestructureTable(results, "");
  CompanyEdit->clear();
  CityEdit->clear();
  StateListBox->clearSelection();
  ZipEdit->clear();
  NearEdit->clear();
  EmployeeListBox->clearSelection();
  SalesListBox->clearSelection();
  for (QListWidget* list : {StateListBox, EmployeeListBox, SalesListBox}) list->scrollToTop();
  SICEdit->clear();
  SICEdit->setFocus();
  if (results) results->EnableControls();
  // SICDescEdit keeps its text, and an error of the emptying waits in ErrorText for Go.
  ActionListUpdate();
}

void TMainForm::GoActionExecute() {
  TTable* results = FSharedData->ResultTable();
  if (!results || FSearching) return;
  // The last worker holds the result table open until it is gone.
  ReleaseWorker();
  if (results->RecordCount() > 0) {
    EmptyResultTable();
    if (!FSharedData->ErrorText().empty()) {
      ShowError(WidgetText(FSharedData->ErrorText()));
      ActionListUpdate();
      return;
    }
  }
  try {
    results->SetIndexFieldNames("Result");
  } catch (const std::exception& e) {
    ShowError(WidgetText(e.what()));
    return;
  }
  MarkOrderColumn();
  ProgressBar->setValue(FPendingPercent = 0);
  SetStatus(QString());
  QApplication::setOverrideCursor(Qt::WaitCursor);

  FThread = std::make_shared<TTableThread>(true, FSharedData.get());
  FSearching = true;
  QPointer<TMainForm> self(this);
  FThread->SetOnTerminate([self] {
    if (self) self->ThreadTerminated();
  });
  try {
    FThread->SetFreeOnTerminate(true);
    FThread->SetDelivery(std::make_shared<TWindowDelivery>(UiRunAndWait()));
    FThread->SetOnDisplay([self](TThreadAction action, int percent, int found, int rejected,
                                 int total, const std::string& message) {
      if (self) self->ThreadDisplay(action, percent, found, rejected, total, message);
    });
    const TCriteriaInputs inputs = CriteriaInputs();
    FillCriteria(inputs, FThread->Criteria());
    FThread->SetNearby(inputs.Near, inputs.Miles);
    FThread->SetMatchOptions(MatchOptions());
    RememberSearch();
    FThread->Resume();
    SetStatus(QStringLiteral("Searching..."));
    StartCount();
  } catch (const std::exception& e) {
    FThread->Terminate();
    SetStatus(QString());
    ShowError(WidgetText(e.what()));
  } catch (...) {
    FThread->Terminate();
    SetStatus(QString());
  }
  QApplication::restoreOverrideCursor();
  ActionListUpdate();
}

void TMainForm::PauseActionExecute() {
  if (!FSearching || !FThread) return;
  if (FThread->Suspended()) {
    ShowPaused(false);
    FThread->Resume();
    SetStatus(QStringLiteral("Searching..."));
    PauseCount(false);
  } else {
    ShowPaused(true);
    FThread->Suspend();
    SetStatus(QStringLiteral("Pausing..."));
    PauseCount(true);
  }
}

// The Pause button offers what a press would do next.
void TMainForm::ShowPaused(bool paused) {
  PauseAction->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
  PauseAction->setIconText(PauseAction->text());
  PauseAction->setChecked(paused);
}

void TMainForm::AbortActionExecute() {
  ShowPaused(false);
  if (FThread) {
    // Stop first: a paused worker released before the stop request would run on.
    FThread->Terminate();
    if (FThread->Suspended()) FThread->Resume();
  }
  ProgressPanel->hide();
  SetStatus(QStringLiteral("Aborted ..."));
  StopCount();
  ShowCount();
}

void TMainForm::RefreshResults(bool toFirst) {
  TTable* results = FSharedData->ResultTable();
  if (!results || !results->Active()) return;
  try {
    results->Refresh();
    if (toFirst) results->First();
  } catch (...) {
    // The grid keeps what it showed; the worker reports a table that went bad itself.
  }
}

void TMainForm::ThreadDisplay(TThreadAction action, int percent, int found, int /*rejected*/,
                              int /*total*/, const std::string& message) {
  // The worker waits while this runs. What needs no waiting worker - repainting the bar,
  // reading the new rows - is done just after, once per burst of events; the end makes
  // everything final at once.
  FFoundSoFar = found;
  switch (action) {
    case taStarted:
      ProgressPanel->show();
      break;
    case taFirstMatch:
      FRefreshPending = true;
      FRefreshToFirst = true;
      break;
    case taMatchBatch:
      FRefreshPending = true;
      break;
    case taFinished:
    case taError:
      // Refreshed here too, so that the grid ends with every posted match and not only those
      // up to the last multiple of ten.
      FRefreshPending = true;
      FPendingPercent = percent;
      ApplyDisplay();
      ProgressPanel->hide();
      SetStatus(QStringLiteral("Total Records Found: %1").arg(found));
      StopCount();
      ShowSearchTime();
      if (action == taError) ShowError(WidgetText(message));
      break;
    default:
      break;
  }
  FPendingPercent = percent;
  ProgressLabel->setText(QStringLiteral(" %1 % ").arg(percent));
  if (!FDisplayPosted) {
    FDisplayPosted = true;
    QTimer::singleShot(0, this, &TMainForm::ApplyDisplay);
  }
}

void TMainForm::ApplyDisplay() {
  FDisplayPosted = false;
  if (FRefreshPending) {
    FRefreshPending = false;
    RefreshResults(FRefreshToFirst);
    FRefreshToFirst = false;
  }
  ProgressBar->setValue(FPendingPercent);
}

void TMainForm::ThreadTerminated() {
  FSearching = false;
  if (FClock.isValid()) StopCount();
  ActionListUpdate();
  // The worker is still raising this event, so it is let go just after: its session, and
  // with it the result table it holds open, closes when the last reference goes.
  QTimer::singleShot(0, this, &TMainForm::ReleaseWorker);
  emit SearchEnded();
}

void TMainForm::ReleaseWorker() {
  if (FSearching || !FThread) return;
  // The end event has run; the thread only has its last few instructions left.
  FThread->WaitFor();
  FThread.reset();
  emit WorkerReleased();
}

}  // namespace lw
