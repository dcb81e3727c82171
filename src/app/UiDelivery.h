#pragma once

#include <chrono>

#include "EventDelivery.h"

namespace lw {

// The run-and-wait function that joins a search worker to the user-interface thread: the
// work is queued to the application object and the worker blocks until it has run. Called on
// the user-interface thread itself it runs the work at once (a blocking queued call to one's
// own thread would never return).
TRunAndWait UiRunAndWait();

// The main window's delivery policy: the search core's coalescing policy, with progress also
// handed over at most once per `progressInterval`. Every hand-over stops the worker for a
// round trip through the user-interface thread, and a hundred of them (one per percent) cost
// a short search a good part of its time; a bar that moves 25 times a second looks no
// different. The display handler sets the bar from every event, so the end still shows the
// final percent.
class TWindowDelivery : public TCoalescingDelivery {
 public:
  explicit TWindowDelivery(TRunAndWait runAndWait, std::chrono::milliseconds progressInterval =
                                                       std::chrono::milliseconds(40));

  void Deliver(TThreadAction action, int percent, const TShowEvent& show) override;

 private:
  std::chrono::milliseconds FProgressInterval;
  bool FProgressShown = false;
  std::chrono::steady_clock::time_point FLastProgress{};
};

}  // namespace lw
