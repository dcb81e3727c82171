#pragma once

#include <chrono>
#include <functional>

#include "ThreadAction.h"

namespace lw {

// Runs `work` on the user-interface thread and returns once it has run there.
using TRunAndWait = std::function<void(const std::function<void()>& work)>;

// Hands one event of kind `action` to the user-interface thread, with the worker's current
// counters, and returns after the display handler has run.
using TShowEvent = std::function<void(TThreadAction action)>;

// The bridge between a search worker and the user-interface thread. The worker calls
// Deliver, on its own thread, for every display event it raises; the policy decides which
// of them are handed over. This base policy hands over every event, each on the spot.
//
// The run-and-wait function is the only thing that knows about the user-interface toolkit.
// Without one, events run directly on the worker's thread (tests, the command-line tool).
class TEventDelivery {
 public:
  explicit TEventDelivery(TRunAndWait runAndWait = {});
  virtual ~TEventDelivery();
  TEventDelivery(const TEventDelivery&) = delete;
  TEventDelivery& operator=(const TEventDelivery&) = delete;

  // Runs `work` through the run-and-wait function, or directly when there is none. The
  // worker also raises its end event this way.
  void RunAndWait(const std::function<void()>& work) const;

  // `percent` is the percent the event carries; `show` hands an event over.
  virtual void Deliver(TThreadAction action, int percent, const TShowEvent& show);

 private:
  TRunAndWait FRunAndWait;
};

// The main window's policy: the progress bar only moves when the percent changes, and the
// grid is refreshed for match batches at most once per interval.
//
// - taProgress is dropped when its percent equals the percent last handed over.
// - taMatchBatch is handed over when no batch has been for `interval`; otherwise it is held
//   back, and handed over (with the counters of that moment) at the first later event once
//   the interval has passed, or at the latest just before taFinished or taError, so that
//   the grid at the end shows every posted match. While a batch is held back, the system
//   clock is read at every kClockStride-th progress event only (a few microseconds of
//   records, against an interval of a tenth of a second); a clock given to the constructor
//   is read at every event.
// - Every other kind is handed over at once.
// State starts afresh with each taStarted, so one object may serve successive searches.
class TCoalescingDelivery : public TEventDelivery {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

  explicit TCoalescingDelivery(TRunAndWait runAndWait = {},
                               std::chrono::milliseconds interval = std::chrono::milliseconds(100),
                               TClock clock = {});

  void Deliver(TThreadAction action, int percent, const TShowEvent& show) override;

 private:
  static constexpr unsigned kClockStride = 64;

  std::chrono::steady_clock::time_point Now() const;
  bool ClockDue();
  void Show(TThreadAction action, int percent, const TShowEvent& show);
  void ShowBatch(int percent, const TShowEvent& show, std::chrono::steady_clock::time_point now);

  std::chrono::milliseconds FInterval;
  TClock FClock;
  bool FAnyShown = false;
  int FLastPercent = 0;
  bool FBatchShown = false;
  bool FBatchPending = false;
  unsigned FHeldEvents = 0;  // progress events seen while a batch was held back
  std::chrono::steady_clock::time_point FLastBatch{};
};

}  // namespace lw
