#include "RecordCopy.h"

#include <string>

#include "Table.h"

namespace lw {

TRecordCopy::TRecordCopy(TTable& source, TTable& target, std::vector<TFieldCopy> plan)
    : FSource(source), FTarget(target), FPlan(std::move(plan)) {
  for (const TFieldCopy& step : FPlan)
    if (step.Source >= 0) FSource.Fields(step.Source);  // throws for a missing field
  if (!FSource.Active() || !FTarget.Active() || FTarget.ReadOnly() ||
      FPlan.size() != static_cast<size_t>(FTarget.FieldCount()))
    return;
  // A required field is checked on every Post; that stays with the value path.
  for (int i = 0; i < FTarget.FieldCount(); ++i)
    if (FTarget.Fields(i).Required()) return;
  FSourceCodec = FSource.Codec();
  FTargetCodec = FTarget.Codec();
  FCopier = FTargetCodec->CopierFrom(*FSourceCodec, FPlan);
}

TRecordCopy::~TRecordCopy() {
  try {
    Release();
  } catch (...) {
    // Held records were never reported as stored: whoever reports them releases first.
  }
}

// A table closed (or opened again) since the copier was built has other codecs: the copier
// would point at freed ones.
bool TRecordCopy::CodecsUnchanged() const {
  return FSource.Codec() == FSourceCodec && FTarget.Codec() == FTargetCodec;
}

void TRecordCopy::Release() {
  if (!FBatch) return;
  FBatch = false;
  if (FTarget.Codec() != FTargetCodec) return;
  FTargetCodec->EndBatch();
  FTarget.Stored();
}

void TRecordCopy::AppendCurrent() {
  if (FCopier && !CodecsUnchanged()) {
    FCopier.reset();
    FBatch = false;  // the old codec and its lock are gone
  }
  const uint8_t* record = FCopier ? FSource.CurrentRecord() : nullptr;
  if (!record || FTarget.State() != TDataSetState::dsBrowse) return AppendValues();
  if (!FBatch) {
    FTargetCodec->BeginBatch();
    if (FHoldBack) FTargetCodec->HoldStores();
    FBatch = true;
  }
  // As Append would: bound views learn that the table is about to change.
  FTarget.NotifyScrolled();
  FTarget.FInsertPos = -1;
  FCopier->Append(record);
  FTarget.Stored();
}

void TRecordCopy::AppendValues() {
  FTarget.Append();
  std::string formatted;
  for (size_t i = 0; i < FPlan.size(); ++i) {
    const TFieldCopy& step = FPlan[i];
    if (step.Source < 0) continue;
    TField& target = FTarget.Fields(static_cast<int>(i));
    target.SetValue(FSource.Fields(step.Source).Value());
    if (step.Reformat && step.Reformat(target.AsString(), formatted)) target.SetAsString(formatted);
  }
  FTarget.Post();
}

}  // namespace lw
