#pragma once

// Texts stored as fixed-width fields that end at their first NUL byte (Paradox alpha fields).
// The scan reads about ten of them per record, so both the codec and the table read them
// through these inline helpers, eight bytes at a time.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace lw {

// Where a field's text lies in a record; width 0 when the field holds no such text.
struct TNulTextSlot {
  uint32_t Offset = 0;
  uint32_t Width = 0;
};

inline size_t NulTextLength(const char* p, size_t width) {
  size_t i = 0;
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
  return std::string_view(p, NulTextLength(p, slot.Width));
}

}  // namespace lw
