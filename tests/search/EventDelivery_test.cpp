#include "EventDelivery.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace lw {
namespace {

using namespace std::chrono_literals;
using TShown = std::vector<std::pair<TThreadAction, int>>;

// Feeds events to a policy the way the worker does and records what is handed over, with
// the percent the worker's counters hold at that moment.
class DeliveryHarness {
 public:
  explicit DeliveryHarness(TEventDelivery& policy) : FPolicy(policy) {}
  void Raise(TThreadAction action, int percent) {
    FPercent = percent;
    FPolicy.Deliver(action, percent, FShow);
  }
  TShown Shown;

 private:
  TEventDelivery& FPolicy;
  int FPercent = 0;
  TShowEvent FShow = [this](TThreadAction action) { Shown.emplace_back(action, FPercent); };
};

class FakeClock {
 public:
  std::chrono::steady_clock::time_point Now() const { return FNow; }
  void Advance(std::chrono::milliseconds d) { FNow += d; }
  TCoalescingDelivery::TClock Function() {
    return [this] { return Now(); };
  }

 private:
  std::chrono::steady_clock::time_point FNow{std::chrono::seconds(1000)};
};

TEST(EventDelivery, DefaultHandsOverEveryEventInOrder) {
  TEventDelivery policy;
  DeliveryHarness h(policy);
  for (auto [a, p] : TShown{{taStarted, 0},
                            {taOpened, 0},
                            {taProgress, 0},
                            {taProgress, 0},
                            {taMatchBatch, 0},
                            {taMatchBatch, 0},
                            {taFinished, 100}}) {
    h.Raise(a, p);
  }
  EXPECT_EQ(h.Shown.size(), 7u);
  EXPECT_EQ(h.Shown[3], std::make_pair(taProgress, 0));
}

TEST(EventDelivery, RunAndWaitGoesThroughTheGivenFunction) {
  std::thread::id ranOn;
  int calls = 0;
  TEventDelivery policy([&](const std::function<void()>& work) {
    ++calls;
    std::thread t(work);
    ranOn = t.get_id();
    t.join();
  });
  std::thread::id workOn;
  policy.RunAndWait([&] { workOn = std::this_thread::get_id(); });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(workOn, ranOn);
  EXPECT_NE(workOn, std::this_thread::get_id());

  TEventDelivery direct;
  direct.RunAndWait([&] { workOn = std::this_thread::get_id(); });
  EXPECT_EQ(workOn, std::this_thread::get_id());
}

TEST(CoalescingDelivery, ProgressOnlyWhenThePercentMoves) {
  FakeClock clock;
  TCoalescingDelivery policy({}, 100ms, clock.Function());
  DeliveryHarness h(policy);
  h.Raise(taStarted, 0);
  h.Raise(taOpened, 0);
  h.Raise(taProgress, 0);  // the bar is already at 0
  h.Raise(taProgress, 1);
  h.Raise(taProgress, 1);
  h.Raise(taFirstMatch, 1);  // other kinds always pass, same percent or not
  h.Raise(taProgress, 1);
  h.Raise(taProgress, 2);
  h.Raise(taFinished, 2);
  TShown expected{{taStarted, 0},    {taOpened, 0},   {taProgress, 1},
                  {taFirstMatch, 1}, {taProgress, 2}, {taFinished, 2}};
  EXPECT_EQ(h.Shown, expected);
}

TEST(CoalescingDelivery, MatchBatchesAtMostOncePerInterval) {
  FakeClock clock;
  TCoalescingDelivery policy({}, 100ms, clock.Function());
  DeliveryHarness h(policy);
  h.Raise(taStarted, 0);
  h.Raise(taMatchBatch, 1);  // the first batch goes at once
  clock.Advance(40ms);
  h.Raise(taMatchBatch, 2);  // held back
  h.Raise(taProgress, 2);
  clock.Advance(40ms);
  h.Raise(taMatchBatch, 3);  // still held back (one pending batch)
  h.Raise(taProgress, 3);
  clock.Advance(30ms);  // 110 ms since the last batch: the held one goes now
  h.Raise(taProgress, 3);
  h.Raise(taProgress, 4);
  clock.Advance(100ms);
  h.Raise(taMatchBatch, 5);  // a full interval later: at once
  TShown expected{{taStarted, 0},    {taMatchBatch, 1}, {taProgress, 2},  {taProgress, 3},
                  {taMatchBatch, 3}, {taProgress, 4},   {taMatchBatch, 5}};
  EXPECT_EQ(h.Shown, expected);
}

TEST(CoalescingDelivery, HeldBatchIsHandedOverBeforeTheEnd) {
  for (TThreadAction end : {taFinished, taError}) {
    FakeClock clock;
    TCoalescingDelivery policy({}, 100ms, clock.Function());
    DeliveryHarness h(policy);
    h.Raise(taStarted, 0);
    h.Raise(taMatchBatch, 10);
    h.Raise(taMatchBatch, 20);  // held back
    h.Raise(end, 20);
    TShown expected{{taStarted, 0}, {taMatchBatch, 10}, {taMatchBatch, 20}, {end, 20}};
    EXPECT_EQ(h.Shown, expected) << ThreadActionName(end);
  }
}

TEST(CoalescingDelivery, EachSearchStartsAfresh) {
  FakeClock clock;
  TCoalescingDelivery policy({}, 100ms, clock.Function());
  DeliveryHarness h(policy);
  h.Raise(taStarted, 0);
  h.Raise(taOpened, 0);
  h.Raise(taMatchBatch, 0);
  h.Raise(taFinished, 0);
  h.Shown.clear();
  h.Raise(taStarted, 0);
  h.Raise(taMatchBatch, 0);  // no interval carried over from the last search
  EXPECT_EQ(h.Shown, (TShown{{taStarted, 0}, {taMatchBatch, 0}}));
}

}  // namespace
}  // namespace lw
