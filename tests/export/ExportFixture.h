#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ExportEngine.h"
#include "Table.h"
#include "TableCodec.h"
#include "TempDir.h"

namespace lw::test {

inline TFieldDef Def(const std::string& name, TFieldType type, int size = 0) {
  TFieldDef d;
  d.Name = name;
  d.DataType = type;
  d.Size = size;
  return d;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

// A Paradox table standing in for the result table, opened read-write in the default session.
class TSourceTable {
 public:
  TSourceTable(const std::string& path, const std::vector<TFieldDef>& defs,
               const std::vector<std::vector<TValue>>& rows) {
    CreateParadoxTable(path, defs, {});
    FTable = std::make_unique<TTable>();
    FTable->SetTableName(path);
    FTable->SetTableType(ttParadox);
    FTable->Open();
    for (const auto& row : rows) {
      FTable->Append();
      for (size_t i = 0; i < row.size(); ++i) FTable->Fields(static_cast<int>(i)).SetValue(row[i]);
      FTable->Post();
    }
    FTable->First();
  }
  TTable& operator*() { return *FTable; }
  TTable* operator->() { return FTable.get(); }

 private:
  std::unique_ptr<TTable> FTable;
};

// Everything an export reports, and the answers it gets.
struct TExportRecorder {
  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
  bool Answer = false;
  std::vector<bool> Running;
  std::vector<int> Positions;
  std::vector<std::pair<int, int>> WrittenEvents;  // (position, written)
  int EventRuns = 0;
  std::function<void(int eventRun)> OnEvents;  // called with the 1-based run number

  void Attach(TExportEngine& engine) {
    TExportCallbacks& cb = engine.Callbacks();
    cb.ShowMessage = [this](const std::string& m) { Messages.push_back(m); };
    cb.AskYesNo = [this](const std::string& q) {
      Questions.push_back(q);
      return Answer;
    };
    cb.Running = [this](bool r) { Running.push_back(r); };
    cb.Progress = [this](int p) { Positions.push_back(p); };
    cb.RecordWritten = [this](int p, int w) { WrittenEvents.emplace_back(p, w); };
    cb.ProcessEvents = [this] {
      ++EventRuns;
      if (OnEvents) OnEvents(EventRuns);
    };
  }
};

// Fields checked by name, in the order given; other fields of the table are listed unchecked.
inline std::vector<TExportRow> Rows(TTable& table, const std::vector<std::string>& checked) {
  std::vector<TExportRow> rows;
  for (const std::string& name : checked) rows.push_back({name, true});
  for (int i = 0; i < table.FieldCount(); ++i) {
    bool listed = false;
    for (const std::string& name : checked) listed = listed || name == table.Fields(i).FieldName();
    if (!listed) rows.push_back({table.Fields(i).FieldName(), false});
  }
  return rows;
}

}  // namespace lw::test
