// Records copied from one Paradox table into another from their stored bytes.
//
// Fields whose stored bytes mean the same in both layouts (same kind and width, and a kind
// whose bytes read back unchanged through a value) are copied in runs, as many neighbouring
// fields at once as both layouts place side by side. Text fields are then tidied past their
// end (a value would not carry what follows the terminating NUL), reformatted text is stored
// from the source's text, and every other field goes through a value as Append would store it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "DatabaseError.h"
#include "ParadoxTable.h"
#include "ParadoxValues.h"

namespace lw::paradox {

namespace {

// Kinds whose every non-blank stored form decodes to a value that encodes to the same bytes.
bool SameBytesThroughValue(uint8_t type) {
  return type == pxAlpha || type == pxBytes || type == pxShort || type == pxLong || type == pxDate;
}

// Zeroes what follows the first NUL of a text field, as storing its text would leave it.
void ClearPastNul(uint8_t* record, TNulTextSlot slot) {
  uint8_t* p = record + slot.Offset;
#if defined(__SSE2__)
  // Sixteen bytes at a time where the record has room: each load is stored back with the bytes
  // from the NUL to the field's end cleared (bytes of the next field are stored as they were).
  if (slot.Readable >= (slot.Width + 15) / 16 * 16) {
    const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    bool ended = false;
    for (size_t i = 0; i < slot.Width; i += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const unsigned nul =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
      const int from = ended ? 0 : nul ? __builtin_ctz(nul) : 16;
      const int to = static_cast<int>(std::min<size_t>(16, slot.Width - i));
      ended = ended || nul;
      if (from >= to) continue;
      const __m128i clear =
          _mm_and_si128(_mm_cmpgt_epi8(index, _mm_set1_epi8(static_cast<char>(from - 1))),
                        _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(to)), index));
      v = _mm_andnot_si128(clear, v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
    }
    return;
  }
#endif
  const size_t n = NulTextLength(reinterpret_cast<const char*>(p), slot.Width);
  std::memset(p + n, 0, slot.Width - n);
}

void StoreText(std::string_view text, const TPxField& f, uint8_t* p) {
  std::memcpy(p, text.data(), std::min<size_t>(text.size(), static_cast<size_t>(f.Width)));
}

}  // namespace

class TParadoxRecordCopier final : public TRecordCopier {
 public:
  TParadoxRecordCopier(TParadoxTable& source, TParadoxTable& target)
      : FSource(source), FTarget(target) {}
  // False when some field cannot be copied by this codec.
  bool Plan(const std::vector<TFieldCopy>& plan);
  void Append(const uint8_t* sourceRecord) override;

 private:
  struct TRun {
    int From, To, Size;
  };
  struct TStep {
    int Source, Target;
    TTextReformat Reformat;
  };
  void BuildRecord(const uint8_t* src, uint8_t* rec);

  TParadoxTable& FSource;
  TParadoxTable& FTarget;
  std::vector<TRun> FRuns;
  std::vector<TNulTextSlot> FTexts;  // target fields copied in runs that hold text
  std::vector<TStep> FNumbers;       // floating-point numbers, re-encoded without a value
  std::vector<TStep> FReformat;      // text stored reformatted
  std::vector<TStep> FValues;        // through a value: scalars first, blobs last
  std::string FFormatted;
};

bool TParadoxRecordCopier::Plan(const std::vector<TFieldCopy>& plan) {
  const std::vector<TPxField>& from = FSource.FHdr.Fields;
  const std::vector<TPxField>& to = FTarget.FHdr.Fields;
  if (plan.size() != to.size()) return false;
  std::vector<TStep> blobs;
  for (size_t i = 0; i < plan.size(); ++i) {
    const int s = plan[i].Source;
    if (s < 0) continue;
    if (s >= static_cast<int>(from.size())) return false;
    const TPxField& sf = from[s];
    const TPxField& tf = to[i];
    // The codec fills an auto-increment field whatever it is given.
    if (tf.Type == pxAutoInc) return false;
    const int target = static_cast<int>(i);
    if (plan[i].Reformat) {
      if (sf.Type != pxAlpha || tf.Type != pxAlpha) return false;
      FReformat.push_back({s, target, plan[i].Reformat});
    } else if (sf.Type == tf.Type && sf.Width == tf.Width && SameBytesThroughValue(sf.Type)) {
      if (!FRuns.empty() && FRuns.back().From + FRuns.back().Size == sf.Offset &&
          FRuns.back().To + FRuns.back().Size == tf.Offset)
        FRuns.back().Size += sf.Width;
      else
        FRuns.push_back({sf.Offset, tf.Offset, sf.Width});
      if (tf.Type == pxAlpha) FTexts.push_back(FTarget.FTextSlots[i]);
    } else if (sf.Type == tf.Type && (sf.Type == pxNumber || sf.Type == pxCurrency)) {
      FNumbers.push_back({s, target, {}});
    } else if (IsBlobPxType(tf.Type)) {
      blobs.push_back({s, target, {}});
    } else {
      FValues.push_back({s, target, {}});
    }
  }
  FValues.insert(FValues.end(), blobs.begin(), blobs.end());
  return true;
}

void TParadoxRecordCopier::BuildRecord(const uint8_t* src, uint8_t* rec) {
  const std::vector<TPxField>& to = FTarget.FHdr.Fields;
  for (const TRun& r : FRuns) std::memcpy(rec + r.To, src + r.From, r.Size);
  for (const TNulTextSlot& slot : FTexts) ClearPastNul(rec, slot);
  for (const TStep& step : FReformat) {
    const TPxField& tf = to[step.Target];
    std::string_view text = FSource.Text(src, step.Source);
    text = text.substr(0, std::min<size_t>(text.size(), static_cast<size_t>(tf.Width)));
    if (step.Reformat(text, FFormatted)) text = FFormatted;
    StoreText(text, tf, rec + tf.Offset);
  }
  // A finite number decodes and encodes to the same bytes but for negative zero, which the
  // value's way turns into zero too; anything else takes that way, to fail as it fails.
  for (const TStep& step : FNumbers) {
    const TPxField& sf = FSource.FHdr.Fields[step.Source];
    const TPxField& tf = to[step.Target];
    const uint8_t* p = src + sf.Offset;
    uint8_t* out = rec + tf.Offset;
    const double d = GetDoubleLike(p);
    if (IsBlankField(sf, p))
      std::memset(out, 0, static_cast<size_t>(tf.Width));
    else if (std::isfinite(d))
      PutDoubleLike(out, d);
    else
      EncodeScalar(FTarget.FPath, tf, FSource.Value(src, step.Source), out);
  }
  const std::vector<TFieldDef>& defs = FTarget.FFieldDefs;
  for (const TStep& step : FValues) {
    const TPxField& tf = to[step.Target];
    const TFieldDef& d = defs[step.Target];
    const TValue v = StoredFieldValue(FSource.Value(src, step.Source), d.DataType, d.Size, d.Name);
    if (IsBlobPxType(tf.Type))
      FTarget.StoreBlob(tf, v, rec + tf.Offset);
    else
      EncodeScalar(FTarget.FPath, tf, v, rec + tf.Offset);
  }
}

void TParadoxRecordCopier::Append(const uint8_t* sourceRecord) {
  TParadoxTable& t = FTarget;
  t.WriteOp([&](TPxCounts& c) {
    t.FRec.assign(t.FHdr.RecordSize, 0);
    t.FillAutoInc(t.FRec.data(), c);
    BuildRecord(sourceRecord, t.FRec.data());
    t.Store(t.FRec.data(), c);
  });
}

std::unique_ptr<TRecordCopier> TParadoxTable::CopierFrom(TTableCodec& source,
                                                         const std::vector<TFieldCopy>& plan) {
  auto* from = dynamic_cast<TParadoxTable*>(&source);
  if (!from || !FWritable) return nullptr;
  auto copier = std::make_unique<TParadoxRecordCopier>(*from, *this);
  if (!copier->Plan(plan)) return nullptr;
  return copier;
}

}  // namespace lw::paradox
