// The export options of `search`: the export engine run headless on the search's result table.
#include "CliExport.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <stdexcept>

#include "ExportEngine.h"
#include "Table.h"
#include "strutil/StrUtil.h"

namespace lw::cli {

const char* const kExportUsage =
    "  --export FILE     write the found records to FILE (used as given, no extension added)\n"
    "  --format F        csv (default), dbase or paradox\n"
    "  --fields A,B,...  only these fields, in the table's field order (default: all)\n"
    "  --overwrite       replace FILE when it exists (otherwise the export is refused)\n";

namespace {

std::atomic<bool> gExportInterrupted{false};

extern "C" void OnExportInterrupt(int) {
  gExportInterrupted.store(true);
}

TExportFormat ParseFormat(const std::string& text) {
  const std::string f = Str_Lower(text);
  if (f == "csv") return efCsv;
  if (f == "dbase") return efDbase;
  if (f == "paradox") return efParadox;
  throw std::runtime_error("--format: '" + text + "' is not one of csv, dbase, paradox");
}

std::vector<TExportRow> RowsFor(TTable& table, const std::vector<std::string>& fields) {
  for (const std::string& name : fields)
    if (!table.FindField(name))
      throw std::runtime_error("--fields: the result table has no field '" + name + "'");
  std::vector<TExportRow> rows;
  for (int i = 0; i < table.FieldCount(); ++i) {
    const std::string& name = table.Fields(i).FieldName();
    const bool checked =
        fields.empty() || std::any_of(fields.begin(), fields.end(),
                                      [&](const std::string& f) { return Str_SameText(f, name); });
    rows.push_back({name, checked});
  }
  return rows;
}

std::vector<std::string> SplitFields(const std::string& list) {
  std::vector<std::string> out;
  for (int n = 1;; ++n) {
    if (n > 1 && Str_Pos(list, ",", n - 1) == 0) break;
    const std::string name = Str_Trim(Str_Extract(list, n, ","));
    if (!name.empty()) out.push_back(name);
  }
  return out;
}

}  // namespace

bool ParseExportOption(const std::vector<std::string>& args, size_t& i, TExportCliOptions& out) {
  const std::string& a = args[i];
  auto value = [&]() -> const std::string& {
    if (i + 1 >= args.size()) throw std::runtime_error(a + " needs a value");
    return args[++i];
  };
  if (a == "--export") {
    out.File = value();
  } else if (a == "--format") {
    out.Format = value();
  } else if (a == "--fields") {
    out.Fields = SplitFields(value());
    if (out.Fields.empty()) throw std::runtime_error("--fields names no field");
  } else if (a == "--overwrite") {
    out.Overwrite = true;
  } else {
    return false;
  }
  return true;
}

int RunExport(TTable& result, const TExportCliOptions& options) {
  const TExportFormat format = ParseFormat(options.Format);
  // Records another session appended become visible.
  result.Refresh();
  TExportEngine engine(result);
  engine.SetRows(RowsFor(result, options.Fields));
  engine.SetFormat(format);
  engine.SetOutputName(options.File);

  const bool showProgress = ::isatty(STDERR_FILENO);
  TExportCallbacks& cb = engine.Callbacks();
  cb.ShowMessage = [](const std::string& m) { std::fprintf(stderr, "export: %s\n", m.c_str()); };
  cb.AskYesNo = [&](const std::string& question) {
    if (!options.Overwrite)
      std::fprintf(stderr, "export: %s %s (give --overwrite to replace it)\n", options.File.c_str(),
                   question.c_str());
    return options.Overwrite;
  };
  int shown = -1;
  cb.RecordWritten = [&](int position, int written) {
    if (showProgress && position != shown) {
      shown = position;
      std::fprintf(stderr, "\r%s", ExportProgressText(position, written).c_str());
      std::fflush(stderr);
    }
  };
  cb.ProcessEvents = [&engine] {
    if (gExportInterrupted.load()) engine.Abort();
  };

  gExportInterrupted = false;
  auto previous = std::signal(SIGINT, OnExportInterrupt);
  const TExportResult r = engine.Execute();
  std::signal(SIGINT, previous);
  if (showProgress && shown >= 0) std::fputs("\r\033[K", stderr);

  switch (r.Outcome) {
    case TExportOutcome::Completed:
      std::fprintf(stderr, "Exported %d records to %s\n", r.Written, options.File.c_str());
      return r.NotWritten == 0 ? 0 : 1;
    case TExportOutcome::Aborted:
      std::fprintf(stderr, "Export aborted: %d records written to %s\n", r.Written,
                   options.File.c_str());
      return 130;
    default:
      return 1;
  }
}

}  // namespace lw::cli
