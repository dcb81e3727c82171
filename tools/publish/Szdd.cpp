#include "Szdd.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace lw::publish {

namespace {

// The format's LZSS: a 4096-byte window that starts filled with blanks, written from position
// 4096 - 16; a match is 3 to 18 bytes, addressed by its absolute window position.
constexpr size_t kWindow = 4096, kStart = kWindow - 16, kMinMatch = 3, kMaxMatch = 18;
// How many earlier positions with the same first three bytes are tried: enough for program
// files, and publishing stays fast.
constexpr int kChainDepth = 64;

uint32_t Hash3(const unsigned char* p) {
  return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & 0x7FFF;
}

}  // namespace

std::string SzddPackedName(const std::string& name) {
  if (name.size() < 2) return {};
  // The expanding side writes the recorded character in lower case after a lower-case letter.
  const unsigned char before = static_cast<unsigned char>(name[name.size() - 2]);
  const unsigned char last = static_cast<unsigned char>(name.back());
  if (std::islower(before) && std::isupper(last)) return {};
  return name.substr(0, name.size() - 1) + "_";
}

std::string SzddCompress(const std::string& data, const std::string& name) {
  if (data.size() > UINT32_MAX) throw std::runtime_error(name + " is too large for LZ packing");
  std::string out = "SZDD\x88\xF0\x27\x33";
  out += 'A';
  out += name.empty() ? '\0' : name.back();
  for (int i = 0; i < 4; ++i) out += static_cast<char>(data.size() >> (8 * i) & 0xFF);

  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  const size_t n = data.size();
  std::vector<int64_t> head(0x8000, -1), prev(kWindow, -1);
  size_t flagAt = 0;
  int items = 8;
  size_t i = 0;
  auto insert = [&](size_t p) {
    if (p + kMinMatch > n) return;
    const uint32_t h = Hash3(in + p);
    prev[p % kWindow] = head[h];
    head[h] = static_cast<int64_t>(p);
  };
  while (i < n) {
    if (items == 8) {
      flagAt = out.size();
      out += '\0';
      items = 0;
    }
    size_t bestLen = 0, bestPos = 0;
    if (i + kMinMatch <= n) {
      const size_t limit = std::min(kMaxMatch, n - i);
      int64_t j = head[Hash3(in + i)];
      // Earlier than a window back, the position has been overwritten in the decoder.
      for (int depth = 0; j >= 0 && i - static_cast<size_t>(j) < kWindow && depth < kChainDepth;
           ++depth, j = prev[j % kWindow]) {
        size_t len = 0;
        while (len < limit && in[j + len] == in[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestPos = static_cast<size_t>(j);
          if (len == limit) break;
        }
      }
    }
    if (bestLen >= kMinMatch) {
      const size_t pos = (kStart + bestPos) % kWindow;
      out += static_cast<char>(pos & 0xFF);
      out += static_cast<char>(((pos >> 4) & 0xF0) | (bestLen - kMinMatch));
      for (size_t k = 0; k < bestLen; ++k) insert(i + k);
      i += bestLen;
    } else {
      out[flagAt] = static_cast<char>(out[flagAt] | (1 << items));  // a literal
      out += static_cast<char>(in[i]);
      insert(i);
      ++i;
    }
    ++items;
  }
  return out;
}

}  // namespace lw::publish
