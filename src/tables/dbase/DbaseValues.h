#pragma once

// How one field's value is stored inside a .dbf record, in both directions. Errors are thrown
// as EDatabaseError with a reason naming the field; the table adds the file and record.

#include <cstdint>
#include <string>
#include <string_view>

#include "DbaseFormat.h"
#include "Value.h"

namespace lw::dbase {

// Visual FoxPro null marker of the field (false in every other dialect).
bool NullFlagSet(const TDbaseHeader& h, int bit, const uint8_t* rec);

// Stored bytes of the field as a view into the record.
inline std::string_view RawField(const TDbaseField& f, const uint8_t* rec) {
  return {reinterpret_cast<const char*>(rec + f.Offset), static_cast<size_t>(f.Width)};
}

// Text of a C or V field without trailing blanks (and NUL padding).
std::string_view FieldText(const TDbaseHeader& h, const TDbaseField& f, const uint8_t* rec);

// True when the field holds no value: blank text, blank or `*`-filled numbers, blank or
// zero dates, `?` logicals, empty memo pointers, Visual FoxPro nulls.
bool FieldIsNull(const TDbaseHeader& h, const TDbaseField& f, const uint8_t* rec);

// Memo block number of a memo-pointer field; 0 when there is no memo.
uint64_t MemoBlock(const TDbaseField& f, const uint8_t* rec);

// Value of a field that is not a memo pointer.
TValue DecodeField(const TDbaseHeader& h, const TDbaseField& f, const uint8_t* rec);

// Writes `value` (already of the field's kind, or null) into the field's bytes of `rec`.
// Only the dBase III kinds C, N, F, L, D are handled here; memo pointers are formatted by
// FormatMemoPointer.
void EncodeField(const TDbaseField& f, const TValue& value, uint8_t* rec);
void FormatMemoPointer(const TDbaseField& f, uint64_t block, uint8_t* rec);

// Number as stored in an N(width, decimals) field; false when it does not fit.
bool FormatNumber(const TValue& value, int width, int decimals, std::string& out);

}  // namespace lw::dbase
