#include "ResultModel.h"

#include <QBrush>
#include <QFont>
#include <limits>

#include "CursorPeek.h"
#include "NameCompare.h"
#include "Table.h"
#include "WidgetText.h"

namespace lw {

namespace {

const QColor kNavy(0, 0, 128);

bool IsNumeric(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
      return true;
    default:
      return false;
  }
}

int ClampRows(int64_t count) {
  // A view counts rows in int; a larger table shows its first 2^31 - 1 records.
  return static_cast<int>(std::min<int64_t>(count, std::numeric_limits<int>::max()));
}

}  // namespace

TResultModel::TResultModel(QObject* parent) : QAbstractTableModel(parent) {}

TResultModel::~TResultModel() {
  SetDataSource(nullptr);
}

void TResultModel::SetDataSource(TDataSource* source) {
  if (FDataSource == source) return;
  if (FDataSource) FDataSource->RemoveLink(this);
  FDataSource = source;
  if (FDataSource) FDataSource->AddLink(this);
  ResetFromTable();
}

TTable* TResultModel::Table() const {
  return FDataSource ? FDataSource->DataSet() : nullptr;
}

void TResultModel::SetColumns(std::vector<TGridColumn> columns) {
  beginResetModel();
  FColumns = std::move(columns);
  FRows.clear();
  ResolveFields();
  endResetModel();
}

std::vector<TGridColumn> TResultModel::DefaultColumns() const {
  std::vector<TGridColumn> columns;
  TTable* table = Table();
  if (!table || !table->Active()) return columns;
  for (int i = 0; i < table->FieldCount(); ++i) {
    const std::string& name = table->Fields(i).FieldName();
    columns.push_back({name, WidgetText(name, FCodePage), 64, false});
  }
  return columns;
}

int TResultModel::FieldIndex(int column) const {
  if (column < 0 || column >= static_cast<int>(FFieldIndexes.size())) return -1;
  return FFieldIndexes[static_cast<size_t>(column)];
}

void TResultModel::ResolveFields() {
  FFieldIndexes.assign(FColumns.size(), -1);
  FRightAligned.assign(FColumns.size(), false);
  TTable* table = Table();
  if (!table || !table->Active()) return;
  for (size_t c = 0; c < FColumns.size(); ++c) {
    if (TField* f = table->FindField(FColumns[c].FieldName)) {
      FFieldIndexes[c] = f->Index();
      FRightAligned[c] = IsNumeric(f->DataType());
    }
  }
}

void TResultModel::ResetFromTable() {
  beginResetModel();
  FRows.clear();
  TTable* table = Table();
  const bool active = table && table->Active();
  FRowCount = active ? ClampRows(table->RecordCount()) : 0;
  FCodec = active ? table->Codec() : nullptr;
  FOrder = active ? table->IndexFieldNames() : std::string();
  FCodePage = 0;
  if (active) {
    try {
      FCodePage = table->FileInfo().CodePage;
    } catch (...) {
    }
  }
  ResolveFields();
  endResetModel();
}

void TResultModel::Reload() {
  // The columns stay, so the view keeps their widths and order: the old rows go and the
  // table's rows come in their place.
  FRows.clear();
  if (FRowCount > 0) {
    beginRemoveRows(QModelIndex(), 0, FRowCount - 1);
    FRowCount = 0;
    endRemoveRows();
  }
  TTable* table = Table();
  const bool active = table && table->Active();
  FCodec = active ? table->Codec() : nullptr;
  FOrder = active ? table->IndexFieldNames() : std::string();
  FCodePage = 0;
  if (active) {
    try {
      FCodePage = table->FileInfo().CodePage;
    } catch (...) {
    }
  }
  ResolveFields();
  const int count = active ? ClampRows(table->RecordCount()) : 0;
  if (count > 0) {
    beginInsertRows(QModelIndex(), 0, count - 1);
    FRowCount = count;
    endInsertRows();
  }
  if (!FColumns.empty()) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TResultModel::DataSetChanged() {
  if (TCursorPeek::Active()) return;
  TTable* table = Table();
  const bool active = table && table->Active();
  const int count = active ? ClampRows(table->RecordCount()) : 0;
  if (!active || table->Codec() != FCodec || count < FRowCount) {
    Reload();
    DataSetScrolled();
    return;
  }
  const bool reordered = table->IndexFieldNames() != FOrder;
  // Under a sort order new records land between the old ones; in table order (or ordered
  // by the insertion counter) they only come at the end and the rows shown stay valid.
  const bool rowsMove =
      reordered || (!FOrder.empty() && !SameName(FOrder, "Result") && count != FRowCount);
  if (count > FRowCount) {
    beginInsertRows(QModelIndex(), FRowCount, count - 1);
    FRowCount = count;
    endInsertRows();
  }
  FOrder = table->IndexFieldNames();
  if (rowsMove && FRowCount > 0 && !FColumns.empty()) {
    FRows.clear();
    emit dataChanged(index(0, 0), index(FRowCount - 1, static_cast<int>(FColumns.size()) - 1));
  }
  if (reordered && !FColumns.empty()) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  DataSetScrolled();
}

void TResultModel::DataSetScrolled() {
  if (TCursorPeek::Active()) return;
  TTable* table = Table();
  emit CurrentRecordChanged(table && table->Active() ? table->RecNo() : 0);
}

int TResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : FRowCount;
}

int TResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

const QStringList& TResultModel::Row(int row) const {
  if (const QStringList* cached = FRows.object(row)) return *cached;
  auto* texts = new QStringList;
  texts->reserve(static_cast<qsizetype>(FColumns.size()));
  TTable* table = Table();
  try {
    TCursorPeek peek(*table);
    peek.MoveTo(row + 1);
    for (int fieldIndex : FFieldIndexes)
      texts->append(fieldIndex < 0 ? QString()
                                   : WidgetText(table->FieldText(fieldIndex), FCodePage));
  } catch (...) {
    // A record that cannot be read shows as blank cells rather than ending the program.
    while (texts->size() < static_cast<qsizetype>(FColumns.size())) texts->append(QString());
  }
  ++FRowsRead;
  FRows.insert(row, texts);
  return *FRows.object(row);
}

QVariant TResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= FRowCount ||
      index.column() >= static_cast<int>(FColumns.size()))
    return {};
  TTable* table = Table();
  if (!table || !table->Active() || index.row() >= table->RecordCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Row(index.row()).value(index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          Qt::AlignVCenter |
          (FRightAligned[static_cast<size_t>(index.column())] ? Qt::AlignRight : Qt::AlignLeft));
    default:
      return {};
  }
}

QVariant TResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(FColumns.size()))
    return QAbstractTableModel::headerData(section, orientation, role);
  const TGridColumn& c = FColumns[static_cast<size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
      return c.Title;
    case Qt::FontRole:
      if (c.Bold) {
        QFont f;
        f.setBold(true);
        return f;
      }
      return {};
    case Qt::ForegroundRole:
      return QBrush(c.Bold ? kNavy : QColor(Qt::black));
    default:
      return {};
  }
}

}  // namespace lw
