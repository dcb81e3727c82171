#pragma once

#include <QTableView>
#include <vector>

#include "ResultModel.h"

namespace lw {

// The results grid: a read-only view of the result table through TResultModel. Column
// titles, resizable and movable columns, row lines, several rows selectable, selection shown
// even without focus, no row indicator. Its current row is the table's cursor: moving in the
// grid moves the cursor, and a cursor moved elsewhere (the record view's navigator) moves
// the grid's current row.
class TDBGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TDBGrid(QWidget* parent = nullptr);

  TResultModel* Model() const { return FModel; }
  TDataSource* DataSource() const { return FModel->DataSource(); }
  void SetDataSource(TDataSource* source) { FModel->SetDataSource(source); }

  // The columns as the user sees them: in display order, with their current widths.
  std::vector<TGridColumn> Columns() const;
  // Replaces every column; widths as given, display order as given.
  void SetColumns(std::vector<TGridColumn> columns);
  // The column shown at display position `position`.
  TGridColumn Column(int position) const;
  int ColumnCount() const { return FModel->columnCount(); }
  // Display position of the column bound to `fieldName`, -1 when none is.
  int ColumnOfField(const std::string& fieldName) const;
  // Marks the column the rows are ordered by (none when -1).
  void ShowOrder(int position);
  // The selected rows as text: one line per row, in row order, the shown columns in display
  // order separated by tabs.
  QString SelectedText() const;

  // The row's commands, on its context menu and the keyboard (Return or Enter, Ctrl+C).
  QAction* OpenRecordAction;
  QAction* CopyAction;

 signals:
  // A column title was clicked: the column's display position.
  void TitleClick(int position);
  // A double-click anywhere in the grid's area: on a row, below the last one, on an empty
  // grid.
  void DblClick();
  // Open Record on the current row: Return, Enter or the context menu.
  void OpenRecord();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void FollowCursor(qint64 recNo);
  void CurrentRowChanged(const QModelIndex& current);
  void UpdateActions();

  TResultModel* FModel;
  bool FFollowing = false;
};

}  // namespace lw
