#include "TableThread.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "Database.h"
#include "Field.h"
#include "PrivateSession.h"
#include "ProgressPercent.h"
#include "RecordCopy.h"
#include "Session.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "SourceLayout.h"
#include "Table.h"

namespace lw {

namespace {

// Directory settings end with a separator, the engine names a database without it. A lone
// separator (the root) is kept.
std::string WithoutTrailingSeparator(std::string dir) {
  if (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir;
}

}  // namespace

bool FormatPhoneText(std::string_view text, std::string& out) {
  if (text.size() != 10) return false;
  out.clear();
  out += '(';
  out += text.substr(0, 3);
  out += ") ";
  out += text.substr(3, 3);
  out += '-';
  out += text.substr(6, 4);
  return true;
}

TTableThread::TTableThread(bool createSuspended) : TTableThread(createSuspended, nullptr) {}

TTableThread::TTableThread(bool createSuspended, TSharedData* sharedData)
    : FSharedData(sharedData), FDelivery(std::make_shared<TEventDelivery>()) {
  FShow = [this](TThreadAction action) {
    FAction = action;
    // The user-interface thread may write the result table while the worker waits for it.
    ReleaseResultTable();
    FDelivery->RunAndWait(FDisplayMessage);
  };
  // Runs on the user-interface thread: a stop requested there since the worker sent the
  // event is honoured here.
  FDisplayMessage = [this] {
    if (!Terminated()) DisplayMessage();
  };
  if (FSharedData) {
    CopyInputs();
    BuildPrivateObjects();
  }
  if (!createSuspended) Start();
}

void TTableThread::CopyInputs() {
  FInputs.Password = FSharedData->DataPassword();
  FInputs.SourcePassword = FSharedData->SourcePassword();
  FInputs.SourceDir = WithoutTrailingSeparator(FSharedData->SourceDir());
  FInputs.SourceTable = FSharedData->SourceTableName();
  FInputs.ResultDir = WithoutTrailingSeparator(FSharedData->Params().Value(keys::kAppDataDir));
  FInputs.ResultTable = FSharedData->ResultTableName();
}

void TTableThread::BuildPrivateObjects() {
  // A failure leaves whatever was built; Execute ends at once when something is missing.
  try {
    TPrivateSession own = OpenPrivateSession();
    FSession = std::move(own.Session);
    FDatabase = own.Database;
    FSourceTable = FSession->CreateTable();
    FResultTable = FSession->CreateTable();
  } catch (...) {
  }
}

TTableThread::~TTableThread() {
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id()) {
      // Free-on-end: the last reference went with the thread's own.
      FThread.detach();
    } else {
      Terminate();
      FThread.join();
    }
  }
  FCopy.reset();  // it refers to the session's tables
  if (FSession) {
    try {
      FSession->Close();
    } catch (...) {
    }
    FSession.reset();
  }
}

void TTableThread::SetDelivery(std::shared_ptr<TEventDelivery> delivery) {
  FDelivery = delivery ? std::move(delivery) : std::make_shared<TEventDelivery>();
}

void TTableThread::SetFreeOnTerminate(bool value) {
  std::lock_guard lock(FLock);
  FFreeOnTerminate = value;
  if (value) {
    FSelf = weak_from_this().lock();
    if (!FSelf) throw std::logic_error("free-on-end needs a worker owned by a std::shared_ptr");
  } else {
    FSelf.reset();
  }
}

void TTableThread::Start() {
  FStarted = true;
  FThread = std::thread([this] { ThreadMain(); });
}

void TTableThread::Resume() {
  std::lock_guard lock(FLock);
  if (!FStarted) {
    Start();
    return;
  }
  FPaused.store(false);
  FWake.notify_all();
}

void TTableThread::Suspend() {
  std::lock_guard lock(FLock);
  if (FStarted && !FFinished.load()) FPaused.store(true);
}

bool TTableThread::Suspended() const {
  std::lock_guard lock(FLock);
  return !FStarted || FPaused.load();
}

void TTableThread::Terminate() {
  std::lock_guard lock(FLock);
  FTerminated.store(true);
  FWake.notify_all();
}

void TTableThread::WaitFor() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TTableThread::WaitWhilePaused() {
  if (!FPaused.load(std::memory_order_relaxed)) return;
  ReleaseResultTable();
  std::unique_lock lock(FLock);
  FWake.wait(lock, [this] { return !FPaused.load() || FTerminated.load(); });
}

void TTableThread::ThreadMain() {
  if (!Terminated()) {
    try {
      Execute();
    } catch (...) {
      // Execute turns its failures into events; nothing may escape the thread.
    }
  }
  FFinished.store(true);
  DoTerminate();
  std::shared_ptr<TTableThread> self;
  {
    std::lock_guard lock(FLock);
    self = std::move(FSelf);
  }
  // `self` may be the last reference: nothing below this line may touch the worker.
}

void TTableThread::DoTerminate() {
  if (FEndRaised) return;
  FEndRaised = true;
  if (!FOnTerminate) return;
  FDelivery->RunAndWait([this] {
    if (FOnTerminate) FOnTerminate();
  });
}

void TTableThread::Display(TThreadAction action) {
  if (Terminated() || !FOnDisplay) return;
  WaitWhilePaused();
  if (Terminated()) return;
  FDelivery->Deliver(action, FPercent, FShow);
}

void TTableThread::DisplayMessage() {
  if (FOnDisplay) FOnDisplay(FAction, FPercent, FFound, FRejected, FTotal, FMessage);
}

// The scan has checked the source table's layout, so every position the matcher reads is
// there.
bool TTableThread::EvalFilter() {
  const bool matched =
      FMatchOptions.Any() ? FOptionMatcher.Matches(*FSourceTable) : FMatcher.Matches(*FSourceTable);
  // The distance last: the typed criteria, when there are any, turn most records away
  // before their position is read.
  return matched && (!FNearby || FNearby->Contains(*FSourceTable));
}

void TTableThread::Fail(const std::exception* error) {
  FMessage = error && error->what() && *error->what() ? error->what() : "Unknown Error.";
  Display(taError);
}

void TTableThread::OpenTables() {
  FSession->Open();
  FSession->AddPassword(FInputs.Password);
  if (!FInputs.SourcePassword.empty()) FSession->AddPassword(FInputs.SourcePassword);
  FDatabase->Close();
  FSourceTable->Close();
  FResultTable->Close();
  FDatabase->SetDatabaseName(FInputs.SourceDir);
  FSourceTable->SetDatabaseName(FDatabase->DatabaseName());
  FSourceTable->SetTableName(FInputs.SourceTable);
  // The worker never writes the source table, and the medium may well be read-only.
  FSourceTable->SetReadOnly(true);
  FResultTable->SetDatabaseName(FInputs.ResultDir);
  FResultTable->SetTableName(FInputs.ResultTable);
  FDatabase->Open();
  FSourceTable->Open();
  FResultTable->Open();
}

void TTableThread::Execute() {
  if (!FSharedData || !FSession || !FDatabase || !FSourceTable || !FResultTable) {
    DoTerminate();
    return;
  }
  FAction = taNone;
  FPercent = FFound = FRejected = FTotal = 0;
  Display(taStarted);

  try {
    OpenTables();
  } catch (const std::exception& e) {
    Fail(&e);
    DoTerminate();
    return;
  } catch (...) {
    Fail(nullptr);
    DoTerminate();
    return;
  }
  if (!FDatabase->Connected() || !FSourceTable->Active() || !FResultTable->Active()) {
    DoTerminate();
    return;
  }

  try {
    Scan();
  } catch (const std::exception& e) {
    FCopy.reset();
    Fail(&e);
  } catch (...) {
    FCopy.reset();
    Fail(nullptr);
  }
  FCopy.reset();
  // A record left half-built by a failure is not kept.
  try {
    if (FResultTable->State() == TDataSetState::dsInsert) FResultTable->Cancel();
  } catch (...) {
  }
  DoTerminate();
}

void TTableThread::Scan() {
  CheckSourceLayout(*FSourceTable);
  FSourceTable->Refresh();
  FSourceTable->First();
  int64_t total = FSourceTable->RecordCount();
  FTotal = static_cast<int>(std::min<int64_t>(total, INT32_MAX));
  Display(taOpened);

  if (FMatchOptions.Any()) {
    // Letters fold as the table's code page writes them.
    const TCaseFold fold = FMatchOptions.IgnoreCase
                               ? TCaseFold::ForCodePage(FSourceTable->FileInfo().CodePage)
                               : TCaseFold();
    FOptionMatcher = TOptionMatcher(FCriteria, FMatchOptions, fold);
  } else {
    FMatcher = TRecordMatcher(FCriteria);
  }
  // A zip's centre takes a pass of its own before the scan; stop and pause reach it too.
  FNearby = PrepareNearby(*FSourceTable, FNear, FMiles, [this] {
    WaitWhilePaused();
    return Terminated();
  });
  FSourceTable->First();
  FCopy.reset();
  TProgressPercent percent(FTotal);
  for (;;) {
    WaitWhilePaused();
    if (Terminated() || FSourceTable->Eof()) break;
    if (EvalFilter()) {
      if (!FCopy) PrepareCopy();
      FCopy->AppendCurrent();
      ++FFound;
      if (FFound == 1) Display(taFirstMatch);
      if (FFound % 10 == 0) Display(taMatchBatch);
    } else {
      ++FRejected;
    }
    FPercent = percent.Update(static_cast<int64_t>(FFound) + FRejected);
    Display(taProgress);
    FSourceTable->Next();
  }
  // The last records reach the file here, or their failure is the search's.
  ReleaseResultTable();
  FCopy.reset();
  Display(taFinished);
}

// Source field i goes to result field i + 1 (the result's first field numbers the matches);
// telephone and fax numbers are reformatted on the way. A result table with too few fields
// fails here, at the first match, with the engine's error for the missing field.
void TTableThread::PrepareCopy() {
  const int sourceCount = FSourceTable->FieldCount();
  const int targetCount = FResultTable->FieldCount();
  if (sourceCount + 1 > targetCount) FResultTable->Fields(targetCount);  // throws
  std::vector<TFieldCopy> plan(static_cast<size_t>(targetCount));
  for (int i = 0; i < sourceCount; ++i) {
    TFieldCopy& step = plan[static_cast<size_t>(i + 1)];
    step.Source = i;
    if (IsPhoneFieldName(FResultTable->Fields(i + 1).FieldName())) step.Reformat = FormatPhoneText;
  }
  FCopy = std::make_unique<TRecordCopy>(*FSourceTable, *FResultTable, std::move(plan));
  // Every event is shown after ReleaseResultTable, which writes what the copy held back.
  FCopy->HoldBack();
}

void TTableThread::ReleaseResultTable() {
  if (FCopy) FCopy->Release();
}

}  // namespace lw
