#pragma once

// Texts stored as fixed-width fields that end at their first NUL byte (Paradox alpha fields).
// The scan reads about ten of them per record, so both the codec and the table read them
// through these inline helpers, sixteen bytes at a time where the record has room for it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lw {

// Where a field's text lies in a record; width 0 when the field holds no such text.
struct TNulTextSlot {
  uint32_t Offset = 0;
  uint32_t Width = 0;
  uint32_t Readable = 0;  // bytes from Offset to the end of the record (reads stay within it)
};

inline size_t NulTextLength(const char* p, size_t width, size_t readable = 0) {
  size_t i = 0;
#if defined(__SSE2__)
  // Whole sixteen-byte loads when they stay within the record: the bytes past the field's end
  // belong to the next field and only shift where a NUL is looked for, never past `width`.
  if (readable >= (width + 15) / 16 * 16) {
    const __m128i zero = _mm_setzero_si128();
    for (; i < width; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const unsigned nul = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
      if (nul) return std::min(width, i + static_cast<size_t>(__builtin_ctz(nul)));
    }
    return width;
  }
#else
  static_cast<void>(readable);
#endif
  for (; i + 8 <= width; i += 8) {
    uint64_t v;
    std::memcpy(&v, p + i, 8);
    const uint64_t zero = (v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL;
    if (zero) return i + static_cast<size_t>(__builtin_ctzll(zero)) / 8;
  }
  while (i < width && p[i]) ++i;
  return i;
}

inline std::string_view NulText(const uint8_t* record, TNulTextSlot slot) {
  const char* p = reinterpret_cast<const char*>(record + slot.Offset);
  return std::string_view(p, NulTextLength(p, slot.Width, slot.Readable));
}

}  // namespace lw
