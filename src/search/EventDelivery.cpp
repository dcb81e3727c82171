#include "EventDelivery.h"

namespace lw {

TEventDelivery::TEventDelivery(TRunAndWait runAndWait) : FRunAndWait(std::move(runAndWait)) {}

TEventDelivery::~TEventDelivery() = default;

void TEventDelivery::RunAndWait(const std::function<void()>& work) const {
  if (FRunAndWait) {
    FRunAndWait(work);
  } else {
    work();
  }
}

void TEventDelivery::Deliver(TThreadAction action, int, const TShowEvent& show) {
  show(action);
}

TCoalescingDelivery::TCoalescingDelivery(TRunAndWait runAndWait, std::chrono::milliseconds interval,
                                         TClock clock)
    : TEventDelivery(std::move(runAndWait)), FInterval(interval), FClock(std::move(clock)) {}

std::chrono::steady_clock::time_point TCoalescingDelivery::Now() const {
  return FClock ? FClock() : std::chrono::steady_clock::now();
}

bool TCoalescingDelivery::ClockDue() {
  if (FClock) return true;
  return ++FHeldEvents % kClockStride == 0;
}

void TCoalescingDelivery::Show(TThreadAction action, int percent, const TShowEvent& show) {
  FAnyShown = true;
  FLastPercent = percent;
  show(action);
}

void TCoalescingDelivery::ShowBatch(int percent, const TShowEvent& show,
                                    std::chrono::steady_clock::time_point now) {
  FBatchShown = true;
  FBatchPending = false;
  FLastBatch = now;
  Show(taMatchBatch, percent, show);
}

void TCoalescingDelivery::Deliver(TThreadAction action, int percent, const TShowEvent& show) {
  switch (action) {
    case taStarted:
      FAnyShown = false;
      FBatchShown = false;
      FBatchPending = false;
      Show(action, percent, show);
      return;
    case taMatchBatch: {
      auto now = Now();
      if (!FBatchShown || now - FLastBatch >= FInterval) {
        ShowBatch(percent, show, now);
      } else {
        FBatchPending = true;
      }
      return;
    }
    case taProgress:
      // The clock is read only while a batch is held back, and then not at every record.
      if (FBatchPending && ClockDue()) {
        auto now = Now();
        if (now - FLastBatch >= FInterval) ShowBatch(percent, show, now);
      }
      if (FAnyShown && percent == FLastPercent) return;
      Show(action, percent, show);
      return;
    case taFinished:
    case taError:
      if (FBatchPending) ShowBatch(percent, show, Now());
      Show(action, percent, show);
      return;
    default:
      if (FBatchPending) {
        auto now = Now();
        if (now - FLastBatch >= FInterval) ShowBatch(percent, show, now);
      }
      Show(action, percent, show);
      return;
  }
}

}  // namespace lw
