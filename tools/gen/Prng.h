#pragma once

#include <cstdint>

namespace lw::gen {

// xoshiro256** seeded through splitmix64. Our own generator rather than <random>'s
// distributions, whose output is allowed to differ between standard library versions: the
// sample table must come out byte for byte the same on every machine.
class TPrng {
 public:
  explicit TPrng(uint64_t seed) {
    uint64_t x = seed;
    for (uint64_t& s : FState) s = SplitMix(x);
  }

  uint64_t Next() {
    const uint64_t result = Rotl(FState[1] * 5, 7) * 9;
    const uint64_t t = FState[1] << 17;
    FState[2] ^= FState[0];
    FState[3] ^= FState[1];
    FState[1] ^= FState[2];
    FState[0] ^= FState[3];
    FState[2] ^= t;
    FState[3] = Rotl(FState[3], 45);
    return result;
  }

  // Uniform in [0, n), without modulo bias (Lemire's method with rejection).
  uint32_t Below(uint32_t n) {
    uint64_t m = (Next() >> 32) * n;
    uint32_t low = static_cast<uint32_t>(m);
    if (low < n) {
      const uint32_t threshold = static_cast<uint32_t>(-n) % n;
      while (low < threshold) {
        m = (Next() >> 32) * n;
        low = static_cast<uint32_t>(m);
      }
    }
    return static_cast<uint32_t>(m >> 32);
  }

  // Uniform in [lo, hi].
  int Range(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1)));
  }

  // Uniform in [0, 1) with 53 bits.
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  // True with the given probability in percent.
  bool Percent(int p) { return Below(100) < static_cast<uint32_t>(p); }

  template <class T, unsigned long N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<uint32_t>(N))];
  }

 private:
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  static uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  uint64_t FState[4];
};

}  // namespace lw::gen
