#pragma once

#include <memory>
#include <vector>

#include "TableCodec.h"

namespace lw {

class TTable;

// Appends copies of one table's current record to another table, field by field after a plan
// (one TFieldCopy per field of the target). The result is what Append, a SetValue per planned
// field with the source field's value (reformatted where the plan says), and Post give; when
// the target's codec can build the record from the source's stored bytes, it does so without
// the values.
//
// The copy keeps the target's writer lock from one append to the next (saving two system calls
// a record); Release() lets other writers in, and must be called before anything that may wait
// for another thread that could write the target. Destroying the copy releases it too.
//
// After HoldBack(), the target's codec may also keep the latest records from the file until
// Release(), which writes them (throwing when it cannot) and counts them in the target: for a
// caller that releases before it reports records as stored, a block written at once instead of
// a record at a time.
class TRecordCopy {
 public:
  // Throws the engine's field-index error for a plan entry past the source's fields.
  TRecordCopy(TTable& source, TTable& target, std::vector<TFieldCopy> plan);
  ~TRecordCopy();
  TRecordCopy(const TRecordCopy&) = delete;
  TRecordCopy& operator=(const TRecordCopy&) = delete;

  // Appends the source's current record to the target and posts it.
  void AppendCurrent();
  void Release();
  void HoldBack() { FHoldBack = true; }
  // True while records go straight from bytes to bytes.
  bool Direct() const { return FCopier != nullptr; }

 private:
  bool CodecsUnchanged() const;
  void AppendValues();

  TTable& FSource;
  TTable& FTarget;
  std::vector<TFieldCopy> FPlan;
  TTableCodec* FSourceCodec = nullptr;
  TTableCodec* FTargetCodec = nullptr;
  std::unique_ptr<TRecordCopier> FCopier;
  bool FBatch = false;
  bool FHoldBack = false;
};

}  // namespace lw
