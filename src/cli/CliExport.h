#pragma once

#include <string>
#include <vector>

#include "CliOptions.h"
#include "ExportTypes.h"

namespace lw {
class TTable;
}

namespace lw::cli {

// The export options of `search`: --export FILE|- [--format csv|dbase|paradox|xlsx]
// [--fields A,B,...] [--encoding raw|utf-8] [--overwrite] [--mkdir].
struct TExportCliOptions {
  std::string File;  // "-": standard output
  TExportFormat Format = efCsv;
  std::vector<std::string> Fields;  // empty: every field
  bool Overwrite = false;
  bool Utf8 = false;
  bool Mkdir = false;  // missing directories of File are created, not refused
  bool Active() const { return !File.empty(); }
  bool ToStdout() const { return File == "-"; }
};

// Takes the export options from the command line; throws EUsage for a format or encoding
// that does not exist, options that go with --export given without it, or a table format
// asked for on standard output.
TExportCliOptions ExportOptionsFrom(const TParsedArgs& args, const TCommandSpec& commandSpec);

// Refuses, before anything is searched, an output that exists without --overwrite, that is a
// directory, whose directory is missing without --mkdir, or cannot be written.
void CheckExportTarget(const TExportCliOptions& options);
// Refuses, as a usage error of the command, --fields names that `table` does not have.
void CheckExportFields(TTable& table, const TExportCliOptions& options,
                       const TCommandSpec& commandSpec);

// Exports the result table as the export window would: the named fields checked (every field
// when none is named), listed in the table's field order. Messages go to stderr; a stop
// signal aborts and keeps what was written. Returns 0 when every record was written,
// 128 + signal when stopped, 1 otherwise.
int RunExport(TTable& result, const TExportCliOptions& options);

}  // namespace lw::cli
