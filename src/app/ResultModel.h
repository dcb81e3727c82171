#pragma once

#include <QAbstractTableModel>
#include <QCache>
#include <QStringList>
#include <string>
#include <vector>

#include "DataSource.h"

namespace lw {

class TTable;
class TTableCodec;

// One grid column: the result table's field it shows, its title, width and whether its
// title is bold (bold titles are the sortable ones).
struct TGridColumn {
  std::string FieldName;
  QString Title;
  int Width = 64;
  bool Bold = false;
};

// The results grid's model: the rows are the records of the table behind a data source, in
// the table's current order, read when the view asks for them (by record number, through a
// cursor peek), never copied as a whole. A small cache keeps the rows the view paints.
//
// Table notifications drive it: more records after a refresh become inserted rows (the view
// keeps its scroll position), a new order repaints every row, a reopened or emptied table
// resets the model. Cursor moves are reported as CurrentRecordChanged.
class TResultModel : public QAbstractTableModel, private TDataLink {
  Q_OBJECT
 public:
  explicit TResultModel(QObject* parent = nullptr);
  ~TResultModel() override;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* source);
  TTable* Table() const;

  const std::vector<TGridColumn>& Columns() const { return FColumns; }
  void SetColumns(std::vector<TGridColumn> columns);
  // One column per field, titled with the field name, none bold.
  std::vector<TGridColumn> DefaultColumns() const;
  // The result table's position of a column's field, -1 when the table lacks it.
  int FieldIndex(int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Rows read from the table since the model was made (for tests of the on-demand reading).
  int64_t RowsRead() const { return FRowsRead; }

 signals:
  void CurrentRecordChanged(qint64 recNo);

 private:
  void DataSetChanged() override;
  void DataSetScrolled() override;
  void ResetFromTable();
  void Reload();
  void ResolveFields();
  const QStringList& Row(int row) const;

  TDataSource* FDataSource = nullptr;
  std::vector<TGridColumn> FColumns;
  std::vector<int> FFieldIndexes;
  std::vector<bool> FRightAligned;
  // What the view has been told, to tell a refresh from a reopen or a new order.
  int FRowCount = 0;
  TTableCodec* FCodec = nullptr;
  std::string FOrder;
  int FCodePage = 0;
  mutable QCache<int, QStringList> FRows{2048};
  mutable int64_t FRowsRead = 0;
};

}  // namespace lw
