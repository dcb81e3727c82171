// lw-export-bench TABLE OUT [csv|xlsx]: the export engine's CSV (default) or workbook writer
// over every field of every record of TABLE, headless, as the export window runs it (progress
// step and events callback once per record). Prints one line: seconds=S records=N bytes=B
// maxrss_kb=K (the process's peak memory).
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <exception>

#include "ExportEngine.h"
#include "Table.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fputs("usage: lw-export-bench TABLE OUT [csv|xlsx]\n", stderr);
    return 1;
  }
  try {
    lw::TTable table;
    table.SetTableName(argv[1]);
    table.SetReadOnly(true);
    table.Open();
    lw::TExportEngine engine(table);
    engine.SetAllRows();
    engine.SetFormat(argc == 4 && std::string(argv[3]) == "xlsx" ? lw::efXlsx : lw::efCsv);
    engine.SetOutputName(argv[2]);
    std::string failure;
    engine.Callbacks().ShowMessage = [&](const std::string& m) { failure = m; };
    engine.Callbacks().AskYesNo = [](const std::string&) { return true; };
    long events = 0;
    engine.Callbacks().ProcessEvents = [&] { ++events; };
    const auto start = std::chrono::steady_clock::now();
    const lw::TExportResult r = engine.Execute();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (r.Outcome != lw::TExportOutcome::Completed) {
      std::fprintf(stderr, "lw-export-bench: %s\n", failure.c_str());
      return 1;
    }
    struct stat st {};
    ::stat(argv[2], &st);
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds=%.6f records=%d bytes=%lld maxrss_kb=%ld\n", took.count(), r.Written,
                static_cast<long long>(st.st_size), usage.ru_maxrss);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lw-export-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
