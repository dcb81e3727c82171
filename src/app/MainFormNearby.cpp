// The radius search's inputs: enabled by what the searched table holds, filled by the record
// view's Find nearby, and read into the criteria as texts like the others.
#include "MainForm.h"
#include "Nearby.h"
#include "PositionFields.h"
#include "Table.h"

namespace lw {

namespace {

const QString kNearHint = QStringLiteral(
    "Type a 5-digit zip code: the distance is measured from the middle of the\n"
    "table's records in it. Find nearby in the record view puts a company's position here.\n"
    "Leave it empty for no radius.");
const QString kMilesHint = QStringLiteral("Only records within this many miles (great-circle)");
const QString kNoPositionsHint = QStringLiteral(
    "This table has no LATITUDE and LONGITUDE fields,\nso it cannot be searched by distance.");

}  // namespace

void TMainForm::ShowNearbyState() {
  // The result table carries the searched table's fields.
  TTable* results = FSharedData ? FSharedData->ResultTable() : nullptr;
  bool positions = false;
  try {
    positions = results && results->Active() && FindPositionFields(*results).Found();
  } catch (const std::exception&) {
  }
  for (QWidget* w : std::initializer_list<QWidget*>{MilesSpinBox, NearEdit}) {
    w->setEnabled(positions);
    w->setToolTip(positions ? (w == NearEdit ? kNearHint : kMilesHint) : kNoPositionsHint);
  }
  NearEdit->setPlaceholderText(positions ? QStringLiteral("zip code")
                                         : QStringLiteral("no positions in this table"));
}

std::string TMainForm::MilesText() const {
  return QString::number(MilesSpinBox->value(), 'g', 10).toStdString();
}

void TMainForm::FindNearby(const QString& centre) {
  if (!NearEdit->isEnabled() || FSearching) return;
  NearEdit->setText(centre);
  raise();
  activateWindow();
  MilesSpinBox->setFocus();
  MilesSpinBox->selectAll();
}

}  // namespace lw
