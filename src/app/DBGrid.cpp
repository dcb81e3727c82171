#include "DBGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>

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
  // Tab leaves the grid, as it leaves every other control; the arrow keys move between cells.
  setTabKeyNavigation(false);
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

  OpenRecordAction = new QAction(QStringLiteral("&Open Record"), this);
  OpenRecordAction->setObjectName(QStringLiteral("OpenRecordAction"));
  connect(OpenRecordAction, &QAction::triggered, this, [this] {
    if (currentIndex().isValid()) emit OpenRecord();
  });
  CopyAction = new QAction(QStringLiteral("&Copy"), this);
  CopyAction->setObjectName(QStringLiteral("CopyAction"));
  CopyAction->setShortcut(QKeySequence::Copy);
  CopyAction->setShortcutContext(Qt::WidgetShortcut);
  connect(CopyAction, &QAction::triggered, this, [this] {
    const QString text = SelectedText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
  });
  addAction(CopyAction);
}

void TDBGrid::UpdateActions() {
  OpenRecordAction->setEnabled(currentIndex().isValid());
  CopyAction->setEnabled(selectionModel()->hasSelection());
}

QString TDBGrid::SelectedText() const {
  QModelIndexList rows = selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  const QHeaderView* titles = horizontalHeader();
  QStringList lines;
  for (const QModelIndex& row : rows) {
    QStringList cells;
    for (int v = 0; v < titles->count(); ++v) {
      const int logical = titles->logicalIndex(v);
      if (logical >= 0 && !titles->isSectionHidden(logical))
        cells << FModel->index(row.row(), logical).data().toString();
    }
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
    emit OpenRecord();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void TDBGrid::contextMenuEvent(QContextMenuEvent* event) {
  QPoint at = event->pos();
  if (event->reason() == QContextMenuEvent::Keyboard) {
    // From the menu key: at the current row, or the top of the grid without one.
    const QRect cell = visualRect(currentIndex());
    at = cell.isValid() ? cell.center() : QPoint(4, 4);
  }
  UpdateActions();
  QMenu menu(this);
  menu.addAction(OpenRecordAction);
  menu.addAction(CopyAction);
  menu.exec(viewport()->mapToGlobal(at));
  // The shortcut answers whenever the grid has the focus; the handlers check for themselves.
  OpenRecordAction->setEnabled(true);
  CopyAction->setEnabled(true);
  event->accept();
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
