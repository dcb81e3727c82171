#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "EventDelivery.h"
#include "Nearby.h"
#include "RecordMatcher.h"
#include "ResultFields.h"
#include "ThreadAction.h"

namespace lw {

class TSharedData;
class TSession;
class TDatabase;
class TTable;
class TField;
class TRecordCopy;

// The display handler: kind, percent, found, rejected, total, message.
using TDisplayHandler = std::function<void(TThreadAction action, int percent, int found,
                                           int rejected, int total, const std::string& message)>;
using TNotifyHandler = std::function<void()>;

// The background search: walks the source table once, tests every record against the
// criteria and appends each match to the result table, reporting through display events.
//
// Life of a worker, as the main window drives it:
//   auto worker = std::make_shared<TTableThread>(true, sharedData);   // created suspended
//   worker->SetOnTerminate(...);
//   worker->SetFreeOnTerminate(true);        // the worker keeps itself alive until its end
//   worker->SetDelivery(std::make_shared<TCoalescingDelivery>(runOnUiThreadAndWait));
//   worker->SetOnDisplay(...); FillCriteria(inputs, worker->Criteria());
//   worker->Resume();                        // starts the thread
// Pause is Suspend()/Resume(). Abort is Terminate(), which also releases a paused worker;
// a Resume() ahead of it would let the worker run on until the stop arrives, so stop first.
//
// Pausing is cooperative: the worker holds still between records and before handing over a
// display event, with no lock held, so the user-interface thread may keep reading the
// result table. Once a stop has been requested no display event reaches the handler any
// more - this is checked again on the user-interface thread, so an event already on its way
// when Terminate() runs there is dropped too. The end event (OnTerminate) is raised exactly
// once, through the delivery's run-and-wait function.
//
// Threads: the worker's own thread reads nothing of the shared data object. What it needs
// from it (the table password, the source and result locations) is copied when the worker
// is constructed, on the owner's thread; settings changed later reach the next worker, not
// this one. The criteria, handlers and delivery are set before the thread starts and not
// touched afterwards. The counters and Message() are written by the worker before each
// event is handed over and read by the handlers while the worker waits for them. The private
// session and its tables belong to the worker's thread once it has started.
//
// Ownership: with free-on-end the running thread holds a reference to its own worker and
// drops it after the end event, so the owner may let go of its pointer at any time,
// including inside the end event. Free-on-end needs the worker to be owned by a
// std::shared_ptr. Without it, the owner must not destroy a running worker from inside one
// of its events (the destructor waits for the thread, which waits for the event).
class TTableThread : public std::enable_shared_from_this<TTableThread> {
 public:
  // A worker without shared data: it ends at once when run.
  explicit TTableThread(bool createSuspended);
  // Not suspended, the thread starts at the end of construction: set the handlers, the
  // delivery and the criteria - only ever before the thread starts - on a worker created
  // suspended, as the main window does.
  TTableThread(bool createSuspended, TSharedData* sharedData);
  virtual ~TTableThread();
  TTableThread(const TTableThread&) = delete;
  TTableThread& operator=(const TTableThread&) = delete;

  // --- thread facility ---
  // Starts a worker created suspended, or continues a paused one.
  void Resume();
  // Pauses the worker at its next record or event.
  void Suspend();
  bool Suspended() const;
  // Sets the stop request flag; a paused worker is released so that it sees it.
  void Terminate();
  bool Terminated() const { return FTerminated.load(std::memory_order_relaxed); }
  // Throws std::logic_error when set on a worker that no std::shared_ptr owns.
  void SetFreeOnTerminate(bool value);
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetOnTerminate(TNotifyHandler handler) { FOnTerminate = std::move(handler); }
  // Waits for the thread to end (nothing to wait for when it never started).
  void WaitFor();
  bool Finished() const { return FFinished.load(); }

  // --- search ---
  void SetOnDisplay(TDisplayHandler handler) { FOnDisplay = std::move(handler); }
  // Null restores the default policy (every event, run directly).
  void SetDelivery(std::shared_ptr<TEventDelivery> delivery);
  TEventDelivery& Delivery() const { return *FDelivery; }
  // The eight-slot criteria list (FillCriteria); set before the worker is started.
  std::vector<std::string>& Criteria() { return FCriteria; }
  // How the typed criteria compare (off: the classic rule); set before the worker starts.
  void SetMatchOptions(const TMatchOptions& options) { FMatchOptions = options; }
  const TMatchOptions& MatchOptions() const { return FMatchOptions; }
  // The radius criterion's texts (TCriteriaInputs::Near and ::Miles; an empty `near` is none);
  // set before the worker starts. Texts that do not fit fail the search as its criteria do.
  void SetNearby(std::string near, std::string miles) {
    FNear = std::move(near);
    FMiles = std::move(miles);
  }

  // Counters and message as of the last event; read them from the display or end handler,
  // or after WaitFor().
  TThreadAction Action() const { return FAction; }
  int Percent() const { return FPercent; }
  int Found() const { return FFound; }
  int Rejected() const { return FRejected; }
  int Total() const { return FTotal; }
  const std::string& Message() const { return FMessage; }

  // The private table objects (null when they could not be built).
  TSession* Session() const { return FSession.get(); }
  TDatabase* Database() const { return FDatabase; }
  TTable* SourceTable() const { return FSourceTable; }
  TTable* ResultTable() const { return FResultTable; }

 protected:
  // Raises the end event (once per worker, whoever calls it).
  virtual void DoTerminate();
  virtual void Execute();
  virtual void DisplayMessage();
  virtual void Display(TThreadAction action);
  virtual bool EvalFilter();

 private:
  void CopyInputs();
  void BuildPrivateObjects();
  void Start();
  void ThreadMain();
  void WaitWhilePaused();
  void OpenTables();
  void Scan();
  void PrepareCopy();
  void ReleaseResultTable();
  void Fail(const std::exception* error);

  TSharedData* FSharedData = nullptr;  // read on the owner's thread only (CopyInputs)
  // The shared data's values this search runs on, copied at construction.
  struct TInputs {
    std::string Password;
    std::string SourcePassword;  // of a source table given to the shared data, or ""
    std::string SourceDir;       // without a trailing separator
    std::string SourceTable;
    std::string ResultDir;  // without a trailing separator
    std::string ResultTable;
  };
  TInputs FInputs;
  std::unique_ptr<TSession> FSession;
  TDatabase* FDatabase = nullptr;
  TTable* FSourceTable = nullptr;
  TTable* FResultTable = nullptr;
  TDisplayHandler FOnDisplay;
  std::vector<std::string> FCriteria;
  TThreadAction FAction = taNone;
  int FPercent = 0;
  int FFound = 0;
  int FRejected = 0;
  int FTotal = 0;
  std::string FMessage;

  // The criteria parsed once per search: FOptionMatcher only when an option is on, so that a
  // search without options runs the classic matcher alone.
  TMatchOptions FMatchOptions;
  TRecordMatcher FMatcher;
  TOptionMatcher FOptionMatcher;
  std::string FNear;
  std::string FMiles;
  std::optional<TNearbyTest> FNearby;
  // The copy of each match into the result table, made at the first match.
  std::unique_ptr<TRecordCopy> FCopy;

  std::shared_ptr<TEventDelivery> FDelivery;
  TShowEvent FShow;
  std::function<void()> FDisplayMessage;
  TNotifyHandler FOnTerminate;
  bool FFreeOnTerminate = false;

  mutable std::mutex FLock;
  std::condition_variable FWake;
  std::thread FThread;
  bool FStarted = false;  // guarded by FLock
  std::atomic<bool> FPaused{false};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  bool FEndRaised = false;
  std::shared_ptr<TTableThread> FSelf;  // free-on-end: the running thread's own reference
};

// Formats a telephone or fax text of exactly ten characters as "(ddd) ddd-dddd"; returns
// false and leaves `out` alone for any other length.
bool FormatPhoneText(std::string_view text, std::string& out);

}  // namespace lw
