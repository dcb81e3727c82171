#pragma once

#include <algorithm>
#include <cstdint>

namespace lw {

// The share of a scan done, in whole percent: the exact ceiling of done * 100 / total, in
// 64-bit integers (no rounding error as with floating point, no overflow past 21 million
// records). The percent changes only about a hundred times per scan, so the division is
// made only when `done` reaches the point where it changes.
class TProgressPercent {
 public:
  explicit TProgressPercent(int64_t total = 0) : FTotal(total) {}

  int Update(int64_t done) {
    if (done < FNextChange) return FPercent;
    if (FTotal <= 0) {
      FPercent = 100;
      FNextChange = INT64_MAX;
      return FPercent;
    }
    FPercent = static_cast<int>(std::min<int64_t>(100, (done * 100 + FTotal - 1) / FTotal));
    // The ceiling rises above FPercent once done * 100 exceeds FPercent * total.
    FNextChange = static_cast<int64_t>(FPercent) * FTotal / 100 + 1;
    return FPercent;
  }

 private:
  int64_t FTotal;
  int FPercent = 0;
  int64_t FNextChange = 0;
};

}  // namespace lw
