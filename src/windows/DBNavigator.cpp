#include "DBNavigator.h"

#include <QHBoxLayout>

#include "CursorPeek.h"
#include "Icons.h"
#include "Table.h"

namespace lw {

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
  struct TButtonSpec {
    const char* Icon;
    const char* Hint;
  };
  static constexpr TButtonSpec kSpecs[4] = {{"nav-first", "First record"},
                                            {"nav-prior", "Prior record"},
                                            {"nav-next", "Next record"},
                                            {"nav-last", "Last record"}};
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QToolButton(this);
    b->setIcon(ProgramIcon(QString::fromLatin1(kSpecs[i].Icon)));
    b->setIconSize(QSize(12, 12));
    b->setToolTip(QString::fromLatin1(kSpecs[i].Hint));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::TabFocus);
    const auto which = static_cast<TNavigateBtn>(i);
    connect(b, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
    row->addWidget(b);
    FButtons[static_cast<size_t>(i)] = b;
  }
  UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
  SetDataSource(nullptr);
}

void TDBNavigator::SetDataSource(TDataSource* source) {
  if (FDataSource == source) return;
  if (FDataSource) FDataSource->RemoveLink(this);
  FDataSource = source;
  if (FDataSource) FDataSource->AddLink(this);
  UpdateButtons();
}

void TDBNavigator::BtnClick(TNavigateBtn which) {
  TTable* table = FDataSource ? FDataSource->DataSet() : nullptr;
  if (!table || !table->Active()) return;
  switch (which) {
    case nbFirst:
      table->First();
      break;
    case nbPrior:
      table->Prior();
      break;
    case nbNext:
      table->Next();
      break;
    case nbLast:
      table->Last();
      break;
  }
  UpdateButtons();
  emit Clicked(which);
}

void TDBNavigator::UpdateButtons() {
  if (TCursorPeek::Active()) return;
  TTable* table = FDataSource ? FDataSource->DataSet() : nullptr;
  const bool active = table && table->Active();
  const int64_t count = active ? table->RecordCount() : 0;
  const int64_t recNo = active ? table->RecNo() : 0;
  const bool back = count > 0 && recNo > 1;
  const bool forward = count > 0 && recNo < count;
  FButtons[nbFirst]->setEnabled(back);
  FButtons[nbPrior]->setEnabled(back);
  FButtons[nbNext]->setEnabled(forward);
  FButtons[nbLast]->setEnabled(forward);
}

}  // namespace lw
