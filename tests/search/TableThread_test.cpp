// The search worker over real tables: event sequences, copying, failures, pause and stop.
#include "TableThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <thread>

#include "Criteria.h"
#include "RecordMatcher.h"
#include "WorkerFixture.h"

namespace lw {
namespace {

using test::TEvent;
using namespace std::chrono_literals;

std::vector<std::string> CriteriaWith(int slot, const std::string& text) {
  std::vector<std::string> c(CriteriaSlotCount);
  c[static_cast<size_t>(slot)] = text;
  return c;
}

class TableThreadTest : public test::TWorkerFixture {};

TEST_F(TableThreadTest, EmptySourceTable) {
  MakeTables(test::ListingFields(), {});
  auto shared = StartSharedData();
  auto events = RunSearch(*shared, std::vector<std::string>(8));
  std::vector<TEvent> expected{
      {taStarted, 0, 0, 0, 0, ""}, {taOpened, 0, 0, 0, 0, ""}, {taFinished, 0, 0, 0, 0, ""}};
  EXPECT_EQ(events, expected);
}

TEST_F(TableThreadTest, ThreeRecordsWithAMatchAtTheSecond) {
  MakeTables(test::ListingFields(), {Listing({{sfCompany, "Able"}, {sfState, "CA"}}),
                                     Listing({{sfCompany, "Baker"}, {sfState, "NY"}}),
                                     Listing({{sfCompany, "Carter"}, {sfState, "TX"}})});
  auto shared = StartSharedData();
  auto events = RunSearch(*shared, CriteriaWith(csStates, "\"NY\","));
  std::vector<TEvent> expected{{taStarted, 0, 0, 0, 0, ""},   {taOpened, 0, 0, 0, 3, ""},
                               {taProgress, 34, 0, 1, 3, ""}, {taFirstMatch, 34, 1, 1, 3, ""},
                               {taProgress, 67, 1, 1, 3, ""}, {taProgress, 100, 1, 2, 3, ""},
                               {taFinished, 100, 1, 2, 3, ""}};
  EXPECT_EQ(events, expected);
  auto rows = ResultRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "1");  // filled by the table itself
  EXPECT_EQ(rows[0][1], "Baker");
  EXPECT_EQ(rows[0][1 + sfState], "NY");
}

TEST_F(TableThreadTest, MatchBatchAfterEveryTenthMatch) {
  for (int matches : {9, 10, 21}) {
    TRows rows;
    for (int i = 0; i < matches; ++i)
      rows.push_back(Listing({{sfCompany, "M" + std::to_string(i)}}));
    rows.push_back(Listing({{sfCompany, "other"}}));
    MakeTables(test::ListingFields(), rows);
    auto shared = StartSharedData();
    FEvents.clear();
    FEnded = 0;
    auto events = RunSearch(*shared, CriteriaWith(csCompany, "M*"));
    std::vector<int> firstAt, batchAt;
    for (const TEvent& e : events) {
      if (e.Action == taFirstMatch) firstAt.push_back(e.Found);
      if (e.Action == taMatchBatch) batchAt.push_back(e.Found);
    }
    EXPECT_EQ(firstAt, std::vector<int>{1}) << matches;
    std::vector<int> expectedBatches;
    for (int f = 10; f <= matches; f += 10) expectedBatches.push_back(f);
    EXPECT_EQ(batchAt, expectedBatches) << matches;
    EXPECT_EQ(events.back(), (TEvent{taFinished, 100, matches, 1, matches + 1, ""}));
    EXPECT_EQ(ResultRows().size(), static_cast<size_t>(matches));
    shared.reset();
    std::filesystem::remove_all(FDir.Path() + "/data");
  }
}

TEST_F(TableThreadTest, PercentIsTheExactCeiling) {
  TRows rows(7, Listing({}));
  MakeTables(test::ListingFields(), rows);
  auto shared = StartSharedData();
  std::vector<int> percents;
  for (const TEvent& e : RunSearch(*shared, std::vector<std::string>(8)))
    if (e.Action == taProgress) percents.push_back(e.Percent);
  EXPECT_EQ(percents, (std::vector<int>{15, 29, 43, 58, 72, 86, 100}));
}

TEST_F(TableThreadTest, TelephoneAndFaxTextsOfTenCharactersAreFormatted) {
  // The positions the matcher does not read carry the names under test.
  const int positions[] = {1, 5, 6, 9, 10};
  std::vector<TFieldDef> fields = test::ListingFields();
  const char* names[] = {"Telex", "faxno", "Phone", "TEL2", "Fax"};
  for (int i = 0; i < 5; ++i) fields[static_cast<size_t>(positions[i])].Name = names[i];
  auto row = [&](const char* company, std::vector<std::string> texts) {
    std::vector<std::string> r(15);
    r[0] = company;
    for (int i = 0; i < 5; ++i)
      r[static_cast<size_t>(positions[i])] = texts[static_cast<size_t>(i)];
    return r;
  };
  MakeTables(fields, {row("ten digits",
                          {"7165551234", "7165554321", "7165550000", "123456789", "12345678901"}),
                      row("formatted", {"(716) 555-1234", "abcdefghij", "", "716-555-12", ""})});
  auto shared = StartSharedData();
  RunSearch(*shared, std::vector<std::string>(8));
  auto rows = ResultRows();
  ASSERT_EQ(rows.size(), 2u);
  auto copied = [&](size_t r) {
    std::vector<std::string> out{rows[r][0], rows[r][1]};
    for (int p : positions) out.push_back(rows[r][static_cast<size_t>(p) + 1]);
    return out;
  };
  // Telex and faxno qualify by name, Phone does not; 9 and 11 characters stay as they are.
  EXPECT_EQ(copied(0),
            (std::vector<std::string>{"1", "ten digits", "(716) 555-1234", "(716) 555-4321",
                                      "7165550000", "123456789", "12345678901"}));
  // The test counts characters, not digits.
  EXPECT_EQ(copied(1), (std::vector<std::string>{"2", "formatted", "(716) 555-1234",
                                                 "(abc) def-ghij", "", "(716) -55-5-12", ""}));
}

TEST_F(TableThreadTest, PhoneHelpers) {
  std::string out = "untouched";
  EXPECT_FALSE(FormatPhoneText("123456789", out));
  EXPECT_EQ(out, "untouched");
  EXPECT_TRUE(FormatPhoneText("0123456789", out));
  EXPECT_EQ(out, "(012) 345-6789");
  for (const char* yes : {"TEL", "Telephone", "telex", "FAX", "faxno", "FaxNumber"})
    EXPECT_TRUE(IsPhoneFieldName(yes)) << yes;
  for (const char* no : {"Phone", "TE", "", "Hotel", "Fa"})
    EXPECT_FALSE(IsPhoneFieldName(no)) << no;
}

TEST_F(TableThreadTest, MissingSourceTableIsReportedAndNothingPosted) {
  MakeTables(test::ListingFields(), {Listing({})});
  auto shared = StartSharedData();
  std::filesystem::remove(SourcePath());
  auto events = RunSearch(*shared, std::vector<std::string>(8));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Action, taStarted);
  EXPECT_EQ(events[1].Action, taError);
  EXPECT_NE(events[1].Message.find("sample.db"), std::string::npos) << events[1].Message;
  EXPECT_TRUE(ResultRows().empty());
}

TEST_F(TableThreadTest, EmptyListItemEndsTheSearchAfterEarlierMatches) {
  MakeTables(test::ListingFields(), {Listing({{sfZip, "14221"}}), Listing({{sfZip, "14221"}}),
                                     Listing({{sfZip, "10001"}}), Listing({{sfZip, "14221"}})});
  auto shared = StartSharedData();
  TCriteriaInputs in;
  in.Zip = "14221,";  // the user's trailing comma
  std::vector<std::string> criteria;
  FillCriteria(in, criteria);
  auto events = RunSearch(*shared, criteria);
  EXPECT_EQ(events.back(),
            (TEvent{taError, 50, 2, 0, 4, "The zip code list contains an empty item."}));
  EXPECT_EQ(ResultRows().size(), 2u);  // posted before the failure, kept
}

// A table of another layout fails before its first record is read: nothing is copied
// with shifted columns, and the message says which field does not fit.
TEST_F(TableThreadTest, SourceTableOfAnotherLayoutFailsBeforeTheFirstRecord) {
  struct TCase {
    int Keep;            // fields kept of the listing layout
    int Retype;          // position changed to a number field, or -1
    const char* Expect;  // in the message
  };
  for (const TCase& c :
       {TCase{12, -1, "it has 12 fields (Company, Address, "},
        TCase{15, sfZip,
              "its 5th field is Zip (Integer), where a listings table has ZIP, the zip code as "
              "text"},
        TCase{15, sfSIC3, "its 15th field is SIC3 (Integer)"}}) {
    std::vector<TFieldDef> fields = test::ListingFields();
    fields.resize(static_cast<size_t>(c.Keep));
    std::vector<std::string> row(static_cast<size_t>(c.Keep), "7011");
    if (c.Retype >= 0) {
      fields[static_cast<size_t>(c.Retype)] = {c.Retype == sfZip ? "Zip" : "SIC3", ftInteger};
      row[static_cast<size_t>(c.Retype)] = "1";
    }
    MakeTables(fields, {row, row});
    auto shared = StartSharedData();
    FEvents.clear();
    FEnded = 0;
    auto events = RunSearch(*shared, CriteriaWith(csSIC, "70*"));
    ASSERT_EQ(events.size(), 2u) << c.Expect;
    EXPECT_EQ(events[1].Action, taError);
    EXPECT_EQ(events[1].Found + events[1].Rejected, 0);
    EXPECT_NE(events[1].Message.find(c.Expect), std::string::npos) << events[1].Message;
    EXPECT_TRUE(ResultRows().empty());
  }
}

TEST_F(TableThreadTest, DataDirectoryWithOrWithoutTrailingSeparator) {
  MakeTables(test::ListingFields(), {Listing({{sfCompany, "x"}})});
  auto shared = StartSharedData();
  const std::string data = FDir.Path() + "/data";
  for (const std::string& dir : {data + "/", data, data + "\\"}) {
    shared->Params().SetValue("app_datadir", dir);
    FEvents.clear();
    FEnded = 0;
    auto events = RunSearch(*shared, std::vector<std::string>(8));
    EXPECT_EQ(events.back().Action, taFinished) << dir;
  }
  EXPECT_EQ(ResultRows().size(), 3u);
}

// The worker takes the table locations when it is constructed: settings changed afterwards
// on the owner's thread (a settings window open during a search) reach the next search, and
// the running one never reads them from its own thread.
TEST_F(TableThreadTest, SettingsChangedAfterConstructionApplyToTheNextSearch) {
  MakeTables(test::ListingFields(), {Listing({{sfCompany, "x"}})});
  auto shared = StartSharedData();
  {
    TTableThread worker(true, shared.get());
    Attach(worker);
    worker.Criteria() = std::vector<std::string>(8);
    shared->Params().SetValue("app_datadir", FDir.Path() + "/nowhere/");
    worker.Resume();
    worker.WaitFor();
    EXPECT_EQ(Events().back().Action, taFinished);
  }
  EXPECT_EQ(ResultRows().size(), 1u);
  FEvents.clear();
  FEnded = 0;
  auto events = RunSearch(*shared, std::vector<std::string>(8));
  EXPECT_EQ(events.back().Action, taError);
}

TEST_F(TableThreadTest, WorkerWithoutSharedDataEndsAtOnce) {
  TTableThread worker(true);
  Attach(worker);
  worker.Resume();
  worker.WaitFor();
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(FEnded.load(), 1);
  EXPECT_EQ(worker.Session(), nullptr);
}

TEST_F(TableThreadTest, NoDisplayHandlerMeansNoEventsButTheSearchRuns) {
  MakeTables(test::ListingFields(), {Listing({}), Listing({})});
  auto shared = StartSharedData();
  TTableThread worker(true, shared.get());
  int ended = 0;
  worker.SetOnTerminate([&] { ++ended; });
  worker.Criteria().resize(8);
  worker.Resume();
  worker.WaitFor();
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(worker.Found(), 2);
  EXPECT_EQ(ResultRows().size(), 2u);
}

// Pauses the worker from inside its display handler at a chosen event and lets the test
// thread know; the worker then holds still until resumed or stopped.
class PauseTest : public TableThreadTest {
 protected:
  void PauseAt(TTableThread& worker, TThreadAction action, int found) {
    worker.SetOnDisplay([this, &worker, action, found](TThreadAction a, int percent, int f,
                                                       int rejected, int total,
                                                       const std::string& message) {
      {
        std::lock_guard lock(FEventsLock);
        FEvents.push_back({a, percent, f, rejected, total, message});
      }
      if (a == action && f == found && !FPaused.exchange(true)) {
        worker.Suspend();
        FPausedPromise.set_value();
      }
    });
    worker.SetOnTerminate([this] { ++FEnded; });
  }
  void WaitUntilPaused() {
    ASSERT_EQ(FPausedPromise.get_future().wait_for(10s), std::future_status::ready);
    std::this_thread::sleep_for(50ms);  // give a runaway worker the chance to show itself
  }
  std::atomic<bool> FPaused{false};
  std::promise<void> FPausedPromise;
};

TEST_F(PauseTest, PausedWorkerHoldsStillAndResumesWhereItWas) {
  TRows rows;
  for (int i = 0; i < 20; ++i) rows.push_back(Listing({{sfCompany, i % 2 ? "odd" : "even"}}));
  MakeTables(test::ListingFields(), rows);
  auto shared = StartSharedData();
  TTableThread worker(true, shared.get());
  PauseAt(worker, taProgress, 3);
  worker.Criteria() = CriteriaWith(csCompany, "even");
  worker.Resume();
  WaitUntilPaused();
  size_t seen = Events().size();
  EXPECT_TRUE(worker.Suspended());
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Events().size(), seen);
  // The grid's own table object can read the result table while the worker is paused.
  EXPECT_EQ(shared->ResultTable()->Active(), true);
  shared->ResultTable()->Refresh();
  EXPECT_EQ(shared->ResultTable()->RecordCount(), 3);

  worker.Resume();
  worker.WaitFor();
  auto events = Events();
  EXPECT_EQ(events.back(), (TEvent{taFinished, 100, 10, 10, 20, ""}));
  int progress = 0;
  for (const TEvent& e : events) progress += e.Action == taProgress;
  EXPECT_EQ(progress, 20);
  EXPECT_EQ(FEnded.load(), 1);
}

TEST_F(PauseTest, StopWhilePausedPostsTheCurrentMatchAndRaisesNoFurtherEvent) {
  TRows rows;
  for (int i = 0; i < 10; ++i) rows.push_back(Listing({{sfCompany, "same"}}));
  MakeTables(test::ListingFields(), rows);
  auto shared = StartSharedData();
  TTableThread worker(true, shared.get());
  PauseAt(worker, taFirstMatch, 1);  // paused in the middle of the first record
  worker.Criteria() = std::vector<std::string>(8);
  worker.Resume();
  WaitUntilPaused();
  size_t seen = Events().size();
  // Stop first: a resume ahead of the stop would let the worker run on until the stop.
  worker.Terminate();
  worker.Resume();
  worker.WaitFor();
  EXPECT_EQ(Events().size(), seen);
  EXPECT_EQ(Events().back().Action, taFirstMatch);
  EXPECT_EQ(ResultRows().size(), 1u);
  EXPECT_EQ(FEnded.load(), 1);
}

TEST_F(PauseTest, StopAloneReleasesAPausedWorker) {
  TRows rows(5, Listing({}));
  MakeTables(test::ListingFields(), rows);
  auto shared = StartSharedData();
  TTableThread worker(true, shared.get());
  PauseAt(worker, taProgress, 2);
  worker.Criteria() = std::vector<std::string>(8);
  worker.Resume();
  WaitUntilPaused();
  worker.Terminate();
  worker.WaitFor();
  EXPECT_EQ(Events().back().Found, 2);
  EXPECT_EQ(ResultRows().size(), 2u);
  EXPECT_EQ(FEnded.load(), 1);
}

// A stand-in for the user-interface thread: runs posted work in order.
class TUiThread {
 public:
  TUiThread() : FThread([this] { Loop(); }) {}
  ~TUiThread() {
    Post(nullptr);
    FThread.join();
  }
  void Post(std::function<void()> work) {
    std::lock_guard lock(FLock);
    FQueue.push_back(std::move(work));
    FWake.notify_one();
  }
  TRunAndWait RunAndWait() {
    return [this](const std::function<void()>& work) {
      std::promise<void> done;
      Post([&] {
        work();
        done.set_value();
      });
      done.get_future().wait();
    };
  }
  std::thread::id Id() const { return FThread.get_id(); }

 private:
  void Loop() {
    for (;;) {
      std::function<void()> work;
      {
        std::unique_lock lock(FLock);
        FWake.wait(lock, [this] { return !FQueue.empty(); });
        work = std::move(FQueue.front());
        FQueue.erase(FQueue.begin());
      }
      if (!work) return;
      work();
    }
  }
  std::mutex FLock;
  std::condition_variable FWake;
  std::vector<std::function<void()>> FQueue;
  std::thread FThread;
};

TEST_F(TableThreadTest, EventsAndTheEndRunOnTheUserInterfaceThread) {
  MakeTables(test::ListingFields(), {Listing({}), Listing({})});
  auto shared = StartSharedData();
  TUiThread ui;
  TTableThread worker(true, shared.get());
  worker.SetDelivery(std::make_shared<TCoalescingDelivery>(ui.RunAndWait()));
  std::vector<std::thread::id> threads;
  std::vector<TThreadAction> kinds;
  worker.SetOnDisplay([&](TThreadAction a, int, int, int, int, const std::string&) {
    threads.push_back(std::this_thread::get_id());
    kinds.push_back(a);
  });
  std::thread::id endThread;
  worker.SetOnTerminate([&] { endThread = std::this_thread::get_id(); });
  worker.Criteria().resize(8);
  worker.Resume();
  worker.WaitFor();
  EXPECT_EQ(kinds, (std::vector<TThreadAction>{taStarted, taOpened, taFirstMatch, taProgress,
                                               taProgress, taFinished}));
  for (auto id : threads) EXPECT_EQ(id, ui.Id());
  EXPECT_EQ(endThread, ui.Id());
}

TEST_F(TableThreadTest, StopOnTheUserInterfaceThreadDropsAnEventAlreadyOnItsWay) {
  MakeTables(test::ListingFields(), {Listing({}), Listing({})});
  auto shared = StartSharedData();
  TUiThread ui;
  TTableThread worker(true, shared.get());
  // The stop is queued on the user-interface thread ahead of the worker's first event.
  std::once_flag once;
  worker.SetDelivery(std::make_shared<TEventDelivery>([&](const std::function<void()>& work) {
    std::call_once(once, [&] { ui.Post([&] { worker.Terminate(); }); });
    ui.RunAndWait()(work);
  }));
  Attach(worker);
  worker.Criteria().resize(8);
  worker.Resume();
  worker.WaitFor();
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(FEnded.load(), 1);
}

TEST_F(TableThreadTest, FreeOnEndReleasesTheWorkerAfterItsEndEvent) {
  MakeTables(test::ListingFields(), {Listing({})});
  auto shared = StartSharedData();
  auto worker = std::make_shared<TTableThread>(true, shared.get());
  std::weak_ptr<TTableThread> watch = worker;
  std::promise<void> ended;
  worker->SetOnTerminate([&] { ended.set_value(); });
  worker->Criteria().resize(8);
  worker->SetFreeOnTerminate(true);
  worker->Resume();
  worker.reset();  // the owner lets go at once; the thread keeps its worker alive
  ASSERT_EQ(ended.get_future().wait_for(10s), std::future_status::ready);
  for (int i = 0; i < 500 && !watch.expired(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(ResultRows().size(), 1u);

  TTableThread onStack(true);
  EXPECT_THROW(onStack.SetFreeOnTerminate(true), std::logic_error);
}

}  // namespace
}  // namespace lw
