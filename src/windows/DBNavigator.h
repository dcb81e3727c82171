#pragma once

#include <QToolButton>
#include <QWidget>
#include <array>

#include "DataSource.h"

namespace lw {

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast };

// The record navigator: first, prior, next and last, moving the cursor of the table behind
// its data source. Buttons that cannot move (already on the first or last record, no
// records) are disabled.
class TDBNavigator : public QWidget, private TDataLink {
  Q_OBJECT
 public:
  explicit TDBNavigator(QWidget* parent = nullptr);
  ~TDBNavigator() override;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* source);
  QToolButton* Button(TNavigateBtn which) const { return FButtons[which]; }
  // Moves the cursor as the button would, then emits Clicked.
  void BtnClick(TNavigateBtn which);

 signals:
  void Clicked(lw::TNavigateBtn which);
  // The table's rows may have changed (emptied, refilled, reordered), not only its cursor.
  void RowsChanged();

 private:
  void DataSetChanged() override {
    UpdateButtons();
    emit RowsChanged();
  }
  void DataSetScrolled() override { UpdateButtons(); }
  void UpdateButtons();

  TDataSource* FDataSource = nullptr;
  std::array<QToolButton*, 4> FButtons{};
};

}  // namespace lw
