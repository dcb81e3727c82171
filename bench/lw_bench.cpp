// lw-bench: the engine's side of `make bench`.
//   lw-bench scan TABLE              full scan reading the search's ten positions
//   lw-bench values TABLE OUT.lwv    the table's records as a values file (see ValuesFile.h)
//   lw-bench write VALUES OUT.db     a new Paradox table from a values file
//   lw-bench sort TABLE FIELD        the grid's ordering by one field (IndexFieldNames)
//   lw-bench sort-values TABLE FIELD the same order through a value per row and
//                                    CompareValues, the way it was once built (the baseline)
// Each prints one line: seconds=S records=N checksum=C.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <numeric>
#include <string>
#include <vector>

#include "Table.h"
#include "TableOrder.h"
#include "ValuesFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void OpenReadOnly(lw::TTable& table, const std::string& path) {
  table.SetTableName(path);
  table.SetReadOnly(true);
  table.Open();
}

// The positions the search reads.
const int kScanFields[] = {0, 2, 3, 4, 7, 8, 11, 12, 13, 14};

int Scan(const std::string& path) {
  const auto start = Clock::now();
  lw::TTable table;
  OpenReadOnly(table, path);
  uint64_t checksum = 0;
  int64_t records = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    for (int pos : kScanFields) checksum += table.FieldText(pos).size();
    ++records;
  }
  table.Close();
  std::printf("seconds=%.6f records=%lld checksum=%llu\n", Seconds(start),
              static_cast<long long>(records), static_cast<unsigned long long>(checksum));
  return 0;
}

int Write(const std::string& valuesPath, const std::string& outPath) {
  lw::bench::TValuesFile values(valuesPath);
  const int fields = static_cast<int>(values.Fields().size());
  const auto start = Clock::now();
  lw::TTable table;
  table.SetTableName(outPath);
  table.SetTableType(lw::ttParadox);
  table.FieldDefs().Items() = values.Fields();
  table.CreateTable();
  table.SetExclusive(true);
  table.Open();
  int64_t records = 0;
  uint64_t checksum = 0;
  while (values.Next()) {
    table.Append();
    for (int i = 0; i < fields; ++i) {
      if (values.IsNull(i)) continue;
      table.Fields(i).SetAsString(values.Text(i));
      checksum += values.Text(i).size();
    }
    table.Post();
    ++records;
  }
  table.Close();
  std::printf("seconds=%.6f records=%lld checksum=%llu\n", Seconds(start),
              static_cast<long long>(records), static_cast<unsigned long long>(checksum));
  return 0;
}

// The checksum is the length of the first and last values in the order, so that both ways of
// sorting can be seen to agree.
void PrintOrder(double seconds, int64_t records, const std::string& first,
                const std::string& last) {
  std::printf("seconds=%.6f records=%lld checksum=%zu\n", seconds, static_cast<long long>(records),
              first.size() * 1000 + last.size());
}

int Sort(const std::string& path, const std::string& field) {
  lw::TTable table;
  OpenReadOnly(table, path);
  const int index = table.FieldByName(field).Index();
  const auto start = Clock::now();
  table.SetIndexFieldNames(field);
  const double seconds = Seconds(start);
  table.First();
  const std::string first(table.FieldText(index));
  table.Last();
  PrintOrder(seconds, table.RecordCount(), first, std::string(table.FieldText(index)));
  return 0;
}

int SortValues(const std::string& path, const std::string& field) {
  lw::TTable table;
  OpenReadOnly(table, path);
  const int index = table.FieldByName(field).Index();
  const auto start = Clock::now();
  std::vector<lw::TValue> keys;
  keys.reserve(static_cast<size_t>(table.RecordCount()));
  for (table.First(); !table.Eof(); table.Next()) keys.push_back(table.FieldValue(index));
  std::vector<int64_t> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys](int64_t a, int64_t b) {
    return lw::CompareValues(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]) < 0;
  });
  const double seconds = Seconds(start);
  if (order.empty()) order.push_back(0);
  auto text = [&](int64_t row) {
    table.SetRecNo(row + 1);
    return std::string(table.FieldText(index));
  };
  PrintOrder(seconds, static_cast<int64_t>(keys.size()), text(order.front()), text(order.back()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "scan" && argc == 3) return Scan(argv[2]);
    if (command == "values" && argc == 4) {
      lw::bench::WriteValuesFile(argv[2], argv[3]);
      return 0;
    }
    if (command == "write" && argc == 4) return Write(argv[2], argv[3]);
    if (command == "sort" && argc == 4) return Sort(argv[2], argv[3]);
    if (command == "sort-values" && argc == 4) return SortValues(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lw-bench: %s\n", e.what());
    return 1;
  }
  std::fputs(
      "usage: lw-bench scan TABLE | values TABLE OUT | write VALUES OUT | sort TABLE FIELD |"
      " sort-values TABLE FIELD\n",
      stderr);
  return 1;
}
