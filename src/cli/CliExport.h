#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lw {
class TTable;
}

namespace lw::cli {

// The export options of `search`: --export FILE [--format csv|dbase|paradox]
// [--fields A,B,...] [--overwrite].
struct TExportCliOptions {
  std::string File;
  std::string Format = "csv";
  std::vector<std::string> Fields;  // empty: every field
  bool Overwrite = false;
  bool Active() const { return !File.empty(); }
};
using ExportCliOptions = TExportCliOptions;

extern const char* const kExportUsage;

// When args[i] is an export option, takes it (and its value, advancing i) into `out` and
// returns true. Throws std::runtime_error for an option without its value.
bool ParseExportOption(const std::vector<std::string>& args, size_t& i, TExportCliOptions& out);

// Exports the result table as the export window would: the named fields checked (every field
// when none is named), listed in the table's field order. Messages go to stderr; Ctrl+C
// aborts and keeps what was written. Returns 0 when every record was written, 130 when
// aborted, 1 otherwise.
int RunExport(TTable& result, const TExportCliOptions& options);

}  // namespace lw::cli
