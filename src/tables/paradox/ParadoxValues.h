#pragma once

// Encoding of field values inside Paradox records: big-endian with the sign bit flipped, so
// that the stored bytes sort like the values and all-zero bytes mean "blank" (NULL).

#include <cstdint>
#include <string>

#include "ParadoxFormat.h"
#include "Value.h"

namespace lw::paradox {

bool IsBlankField(const TPxField& f, const uint8_t* p);

// Decodes a non-blob field (the caller has checked it is not blank). Throws EDatabaseError
// naming `file` for bytes no writer produces.
TValue DecodeScalar(const std::string& file, const TPxField& f, const uint8_t* p);

// Stores a non-blob value (already of the field's kind; Null stores a blank) into the
// field's Width bytes at `p`. Throws EDatabaseError naming `file` and the field when the value
// cannot be represented (out of range, not finite).
void EncodeScalar(const std::string& file, const TPxField& f, const TValue& v, uint8_t* p);

// Integer-like and double-like codings, also used for index entries.
void PutIntLike(uint8_t* p, int width, int64_t v);
int64_t GetIntLike(const uint8_t* p, int width);
void PutDoubleLike(uint8_t* p, double v);
double GetDoubleLike(const uint8_t* p);

}  // namespace lw::paradox
