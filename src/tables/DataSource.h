#pragma once

#include <vector>

namespace lw {

class TTable;

// Something bound to a data source (a grid, a record view, a navigator).
class TDataLink {
 public:
  virtual ~TDataLink() = default;
  // Rows may have changed (open, close, refresh, post, new order): re-read everything.
  virtual void DataSetChanged() {}
  // Only the current record moved.
  virtual void DataSetScrolled() {}
};

// Binds views to one table's cursor. Views are told about data changes and cursor moves,
// except between the table's DisableControls and EnableControls.
class TDataSource {
 public:
  TDataSource() = default;
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TTable* DataSet() const { return FDataSet; }
  void SetDataSet(TTable* table);

  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);

  // Called by the table.
  void NotifyChanged();
  void NotifyScrolled();
  void DataSetDestroyed() { FDataSet = nullptr; }

 private:
  TTable* FDataSet = nullptr;
  std::vector<TDataLink*> FLinks;
};

}  // namespace lw
