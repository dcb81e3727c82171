#include "DBGrid.h"

#include <QHeaderView>

#include "Table.h"

namespace lw {

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), FModel(new TResultModel(this)) {
  setModel(FModel);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setAlternatingRowColors(true);
  // The selection stays visible when the grid does not have the focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight,
             p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

  QHeaderView* rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + 6);

  QHeaderView* titles = horizontalHeader();
  titles->setSectionsMovable(true);
  titles->setSectionsClickable(true);
  titles->setHighlightSections(false);
  titles->setSectionResizeMode(QHeaderView::Interactive);
  titles->setStretchLastSection(false);
  titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  titles->setSortIndicatorShown(false);
  connect(titles, &QHeaderView::sectionClicked, this,
          [this, titles](int logical) { emit TitleClick(titles->visualIndex(logical)); });

  connect(FModel, &TResultModel::CurrentRecordChanged, this, &TDBGrid::FollowCursor);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { CurrentRowChanged(current); });
}

std::vector<TGridColumn> TDBGrid::Columns() const {
  std::vector<TGridColumn> columns;
  const QHeaderView* titles = horizontalHeader();
  const auto& model = FModel->Columns();
  for (int v = 0; v < static_cast<int>(model.size()); ++v) {
    const int logical = titles->logicalIndex(v);
    if (logical < 0) continue;
    TGridColumn c = model[static_cast<size_t>(logical)];
    c.Width = titles->sectionSize(logical);
    columns.push_back(std::move(c));
  }
  return columns;
}

TGridColumn TDBGrid::Column(int position) const {
  const int logical = horizontalHeader()->logicalIndex(position);
  if (logical < 0) return {};
  TGridColumn c = FModel->Columns()[static_cast<size_t>(logical)];
  c.Width = horizontalHeader()->sectionSize(logical);
  return c;
}

void TDBGrid::SetColumns(std::vector<TGridColumn> columns) {
  std::vector<int> widths;
  for (const TGridColumn& c : columns) widths.push_back(c.Width);
  FModel->SetColumns(std::move(columns));
  QHeaderView* titles = horizontalHeader();
  // A reset model starts with sections in model order.
  for (int i = 0; i < static_cast<int>(widths.size()); ++i) {
    if (titles->visualIndex(i) != i) titles->moveSection(titles->visualIndex(i), i);
    titles->resizeSection(i, widths[static_cast<size_t>(i)]);
  }
  ShowOrder(-1);
}

int TDBGrid::ColumnOfField(const std::string& fieldName) const {
  const auto& model = FModel->Columns();
  for (size_t i = 0; i < model.size(); ++i)
    if (model[i].FieldName == fieldName)
      return horizontalHeader()->visualIndex(static_cast<int>(i));
  return -1;
}

void TDBGrid::ShowOrder(int position) {
  QHeaderView* titles = horizontalHeader();
  if (position < 0) {
    titles->setSortIndicatorShown(false);
    return;
  }
  titles->setSortIndicator(titles->logicalIndex(position), Qt::AscendingOrder);
  titles->setSortIndicatorShown(true);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  emit DblClick();
}

void TDBGrid::FollowCursor(qint64 recNo) {
  if (FFollowing || FModel->columnCount() == 0) return;
  FFollowing = true;
  if (recNo <= 0 || recNo > FModel->rowCount()) {
    selectionModel()->clearCurrentIndex();
  } else {
    const int row = static_cast<int>(recNo - 1);
    if (currentIndex().row() != row) {
      const int column = std::max(0, currentIndex().column());
      const QModelIndex target = FModel->index(row, std::min(column, FModel->columnCount() - 1));
      selectionModel()->setCurrentIndex(
          target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      scrollTo(target);
    }
  }
  FFollowing = false;
}

void TDBGrid::CurrentRowChanged(const QModelIndex& current) {
  if (FFollowing || !current.isValid()) return;
  TTable* table = FModel->Table();
  if (!table || !table->Active()) return;
  FFollowing = true;
  try {
    table->SetRecNo(current.row() + 1);
  } catch (...) {
  }
  FFollowing = false;
}

}  // namespace lw
