#include "Summary.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "PositionFields.h"
#include "Table.h"
#include "strutil/CodePage.h"

namespace lw {

namespace {

constexpr const char* kKindNames[skKindCount] = {"state", "employees", "sales", "sic2"};

struct TTextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// Counts by stored text; a value seen again is found without building a string, which is
// what keeps a million records within a second or so.
class TCounter {
 public:
  int64_t& operator[](std::string_view value) {
    auto it = FCounts.find(value);
    if (it == FCounts.end()) it = FCounts.emplace(std::string(value), 0).first;
    return it->second;
  }
  std::vector<TSummaryBar> Bars() const {
    std::vector<TSummaryBar> bars;
    for (const auto& [value, count] : FCounts) bars.push_back({value, count});
    return bars;
  }
  const auto& Counts() const { return FCounts; }

 private:
  std::unordered_map<std::string, int64_t, TTextHash, std::equal_to<>> FCounts;
};

void SortByCount(std::vector<TSummaryBar>& bars) {
  for (TSummaryBar& b : bars)
    if (b.Value.empty()) b.Value = kBlankValue;
  std::sort(bars.begin(), bars.end(), [](const TSummaryBar& a, const TSummaryBar& b) {
    return a.Count != b.Count ? a.Count > b.Count : a.Value < b.Value;
  });
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Major groups from the counts by primary SIC: the first two digits, named after the
// description of the group's most common industry (the table describes industries, not
// groups, so that is the closest name it gives).
std::vector<TSummaryBar> MajorGroups(const TCounter& bySic,
                                     const std::unordered_map<std::string, std::string>& names) {
  struct TGroup {
    int64_t Count = 0;
    int64_t Best = -1;
    std::string Name;
  };
  std::unordered_map<std::string, TGroup> groups;
  for (const auto& [sic, count] : bySic.Counts()) {
    const bool coded = sic.size() >= 2 && IsDigit(sic[0]) && IsDigit(sic[1]);
    TGroup& g = groups[coded ? sic.substr(0, 2) : sic];
    g.Count += count;
    const auto name = names.find(sic);
    if (coded && name != names.end() && !name->second.empty() &&
        (count > g.Best || (count == g.Best && name->second < g.Name))) {
      g.Best = count;
      g.Name = name->second;
    }
  }
  std::vector<TSummaryBar> bars;
  for (auto& [code, g] : groups)
    bars.push_back({g.Name.empty() || code.empty() ? code : code + " " + g.Name, g.Count});
  return bars;
}

}  // namespace

const char* SummaryKindName(TSummaryKind kind) {
  return kind >= 0 && kind < skKindCount ? kKindNames[kind] : "";
}

bool SummaryKindFromName(std::string_view name, TSummaryKind& kind) {
  for (int k = 0; k < skKindCount; ++k)
    if (name == kKindNames[k]) {
      kind = static_cast<TSummaryKind>(k);
      return true;
    }
  return false;
}

TSummary Summarise(TTable& table, const std::atomic<bool>* stop) {
  auto indexOf = [&table](const char* name) {
    const TField* f = table.FindField(name);
    return f ? f->Index() : -1;
  };
  const int fields[] = {indexOf("STATE"), indexOf("EMPLOYEES"), indexOf("ANNUAL SALES"),
                        indexOf("SIC")};
  const int description = indexOf("SIC DESCRIPTION");
  const TPositionFields positions = FindPositionFields(table);

  TSummary summary;
  summary.HasPositions = positions.Found();
  TCounter counters[skKindCount];
  std::unordered_map<std::string, std::string> sicNames;
  std::unordered_set<int64_t> cells;

  for (table.First(); !table.Eof(); table.Next()) {
    if (stop && (summary.Total & 1023) == 0 && stop->load(std::memory_order_relaxed)) {
      summary.Stopped = true;
      break;
    }
    ++summary.Total;
    for (int k = 0; k < skKindCount; ++k) {
      if (fields[k] < 0) continue;
      const std::string_view value = table.FieldText(fields[k]);
      // The first record of an industry names it.
      if (++counters[k][value] == 1 && k == skSic2 && description >= 0)
        sicNames[std::string(value)] = table.FieldText(description);
    }
    if (!summary.HasPositions) continue;
    double y = 0, x = 0;
    if (!ReadPosition(table, positions, y, x)) continue;
    ++summary.Positioned;
    const int64_t cell =
        static_cast<int64_t>(std::floor(y * 10)) * 10000 + static_cast<int64_t>(std::floor(x * 10));
    if (summary.Points.size() < kMaxSummaryPoints && cells.insert(cell).second)
      summary.Points.push_back({static_cast<float>(x), static_cast<float>(y)});
  }

  for (int k = 0; k < skKindCount; ++k) {
    summary.Bars[k] = k == skSic2 ? MajorGroups(counters[k], sicNames) : counters[k].Bars();
    SortByCount(summary.Bars[k]);
  }
  return summary;
}

std::string SummaryText(const TSummary& summary, TSummaryKind kind, int codePage) {
  std::string out;
  for (const TSummaryBar& bar : summary.Bars[kind]) {
    AppendUtf8(out, bar.Value, codePage);
    out += '\t' + std::to_string(bar.Count) + '\n';
  }
  return out;
}

}  // namespace lw
