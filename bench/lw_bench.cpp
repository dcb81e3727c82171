// lw-bench: the engine's side of `make bench`.
//   lw-bench scan TABLE              full scan reading the search's ten positions
//   lw-bench values TABLE OUT.lwv    the table's records as a values file (see ValuesFile.h)
//   lw-bench write VALUES OUT.db     a new Paradox table from a values file
// Each prints one line: seconds=S records=N checksum=C.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "Table.h"
#include "ValuesFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The positions the search reads.
const int kScanFields[] = {0, 2, 3, 4, 7, 8, 11, 12, 13, 14};

int Scan(const std::string& path) {
  const auto start = Clock::now();
  lw::TTable table;
  table.SetTableName(path);
  table.SetReadOnly(true);
  table.Open();
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
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lw-bench: %s\n", e.what());
    return 1;
  }
  std::fputs("usage: lw-bench scan TABLE | values TABLE OUT | write VALUES OUT\n", stderr);
  return 1;
}
