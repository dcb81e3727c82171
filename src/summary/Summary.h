#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

class TTable;

// What a summary counts the results by.
enum TSummaryKind : int { skState = 0, skEmployees, skSales, skSic2, skKindCount };

// One bar: a value as the table stores it (bytes of its code page) and how many results hold
// it. An empty value is counted as kBlankValue.
struct TSummaryBar {
  std::string Value;
  int64_t Count = 0;
};

struct TSummaryPoint {
  float Longitude = 0;
  float Latitude = 0;
};

struct TSummary {
  int64_t Total = 0;
  // Per kind, sorted by count (most first), equal counts by value.
  std::array<std::vector<TSummaryBar>, skKindCount> Bars;
  // The table has LATITUDE and LONGITUDE fields; Points then holds one position per occupied
  // tenth of a degree (at most kMaxSummaryPoints), enough to draw the shape the results make.
  bool HasPositions = false;
  int64_t Positioned = 0;  // results with a position
  std::vector<TSummaryPoint> Points;
  bool Stopped = false;  // the stop flag ended the pass early
};

inline constexpr const char* kBlankValue = "(blank)";
inline constexpr size_t kMaxSummaryPoints = 50000;

// "state", "employees", "sales", "sic2" (the command's names).
const char* SummaryKindName(TSummaryKind kind);
// False when `name` is none of those.
bool SummaryKindFromName(std::string_view name, TSummaryKind& kind);

// Reads every record of the open `table` once, from its first to its last, and counts them.
// The fields are found by name (STATE, EMPLOYEES, ANNUAL SALES, SIC, SIC DESCRIPTION,
// LATITUDE, LONGITUDE); a missing one leaves its chart empty. `stop` is polled between
// records. Moves the table's cursor.
TSummary Summarise(TTable& table, const std::atomic<bool>* stop = nullptr);

// "value<TAB>count" lines of one kind in the summary's order, values converted from the
// table's code page `codePage` to UTF-8.
std::string SummaryText(const TSummary& summary, TSummaryKind kind, int codePage);

}  // namespace lw
