// lw-summary-bench TABLE: the summary window's one pass over every record of TABLE (counts by
// state, employee class, sales class and SIC major group, and the positions), headless.
// Prints one line: seconds=S records=N states=K points=P.
#include <chrono>
#include <cstdio>
#include <exception>

#include "Summary.h"
#include "Table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: lw-summary-bench TABLE\n", stderr);
    return 1;
  }
  try {
    lw::TTable table;
    table.SetTableName(argv[1]);
    table.SetReadOnly(true);
    table.Open();
    const auto start = std::chrono::steady_clock::now();
    const lw::TSummary summary = lw::Summarise(table);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("seconds=%.6f records=%lld states=%zu points=%zu\n", took.count(),
                static_cast<long long>(summary.Total), summary.Bars[lw::skState].size(),
                summary.Points.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lw-summary-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
