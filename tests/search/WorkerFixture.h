#pragma once

// A program directory laid out as the program expects (sample/sample.db, data/swap.db),
// the shared data started over it, and a recorder of a worker's events.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "Notifier.h"
#include "SharedData.h"
#include "Table.h"
#include "TableThread.h"
#include "TempDir.h"
#include "strutil/Volumes.h"

namespace lw::test {

struct TEvent {
  TThreadAction Action;
  int Percent;
  int Found;
  int Rejected;
  int Total;
  std::string Message;
  bool operator==(const TEvent&) const = default;
};

inline void PrintTo(const TEvent& e, std::ostream* os) {
  *os << ThreadActionName(e.Action) << " " << e.Percent << "% found " << e.Found << " rejected "
      << e.Rejected << " total " << e.Total;
  if (!e.Message.empty()) *os << " '" << e.Message << "'";
}

// The fields of a business listing, by position, as the matcher reads them.
inline std::vector<TFieldDef> ListingFields() {
  return {{"Company", ftString, 40}, {"Address", ftString, 40},   {"City", ftString, 30},
          {"State", ftString, 2},    {"Zip", ftString, 10},       {"Telephone", ftString, 14},
          {"Fax", ftString, 14},     {"Employees", ftString, 12}, {"Sales", ftString, 10},
          {"Contact", ftString, 30}, {"Title", ftString, 30},     {"SIC1", ftString, 10},
          {"SICDesc", ftString, 40}, {"SIC2", ftString, 10},      {"SIC3", ftString, 10}};
}

class TWorkerFixture : public ::testing::Test {
 protected:
  using TRows = std::vector<std::vector<std::string>>;

  std::string SourcePath() const { return FDir.Path() + "/sample/sample.db"; }
  std::string ResultPath() const { return FDir.Path() + "/data/swap.db"; }

  // Writes the source table and a matching empty result table (Result + the same fields).
  void MakeTables(const std::vector<TFieldDef>& fields, const TRows& rows) {
    std::filesystem::create_directories(FDir.Path() + "/sample");
    std::filesystem::create_directories(FDir.Path() + "/data");
    {
      TTable source;
      source.SetTableName(SourcePath());
      for (const auto& f : fields) source.FieldDefs().Add(f.Name, f.DataType, f.Size);
      source.CreateTable();
      source.Open();
      for (const auto& row : rows) {
        source.Append();
        for (size_t i = 0; i < row.size(); ++i)
          source.Fields(static_cast<int>(i)).SetAsString(row[i]);
        source.Post();
      }
    }
    TTable result;
    result.SetTableName(ResultPath());
    result.FieldDefs().Add("Result", ftAutoInc);
    for (const auto& f : fields) result.FieldDefs().Add(f.Name, f.DataType, f.Size);
    result.CreateTable();
  }

  // One listing row with the given positions filled.
  static std::vector<std::string> Listing(std::initializer_list<std::pair<int, std::string>> set) {
    std::vector<std::string> row(15);
    for (const auto& [pos, text] : set) row[static_cast<size_t>(pos)] = text;
    return row;
  }

  std::unique_ptr<TSharedData> StartSharedData() {
    TSharedDataOptions options;
    options.ProgramDir = FDir.Path();
    options.VersionFile = "/nonexistent";
    options.Volumes = std::make_shared<TFixedVolumeSource>();
    options.Notifier = std::make_shared<TSilentNotifier>();
    auto shared = std::make_unique<TSharedData>(options);
    EXPECT_EQ(shared->ErrorText(), "");
    return shared;
  }

  // Records every display event and counts end events.
  void Attach(TTableThread& worker) {
    worker.SetOnDisplay([this](TThreadAction a, int percent, int found, int rejected, int total,
                               const std::string& message) {
      std::lock_guard lock(FEventsLock);
      FEvents.push_back({a, percent, found, rejected, total, message});
    });
    worker.SetOnTerminate([this] { ++FEnded; });
  }

  std::vector<TEvent> Events() {
    std::lock_guard lock(FEventsLock);
    return FEvents;
  }

  // Runs a search with `criteria` to its end and returns its events.
  std::vector<TEvent> RunSearch(TSharedData& shared, const std::vector<std::string>& criteria) {
    TTableThread worker(true, &shared);
    Attach(worker);
    worker.Criteria() = criteria;
    worker.Resume();
    worker.WaitFor();
    EXPECT_EQ(FEnded.load(), 1);
    return Events();
  }

  // The result table's rows as texts (field 1 onwards).
  std::vector<std::vector<std::string>> ResultRows() {
    TTable result;
    result.SetTableName(ResultPath());
    result.Open();
    std::vector<std::vector<std::string>> rows;
    for (result.First(); !result.Eof(); result.Next()) {
      std::vector<std::string> row;
      for (int i = 0; i < result.FieldCount(); ++i) row.push_back(result.Fields(i).AsString());
      rows.push_back(row);
    }
    return rows;
  }

  TTempDir FDir;
  std::mutex FEventsLock;
  std::vector<TEvent> FEvents;
  std::atomic<int> FEnded{0};
};

}  // namespace lw::test
