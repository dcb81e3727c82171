// The export options of `search`: the export engine run headless on the search's result table.
#include "CliExport.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "CliMessages.h"
#include "CliSignals.h"
#include "ExportEngine.h"
#include "Table.h"
#include "strutil/StrUtil.h"

namespace lw::cli {

namespace {

namespace fs = std::filesystem;

constexpr char kStdoutName[] = "standard output";

TExportFormat ParseFormat(const TCommandSpec& commandSpec, const std::string& text) {
  const std::string f = Str_Lower(text);
  if (f == "csv") return efCsv;
  if (f == "dbase") return efDbase;
  if (f == "paradox") return efParadox;
  if (f == "xlsx") return efXlsx;
  throw UsageError(commandSpec, "--format: '" + text + "' is not one of csv, dbase, paradox, xlsx");
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

std::vector<TExportRow> RowsFor(TTable& table, const std::vector<std::string>& fields) {
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

// The nearest existing directory on the way to `dir`: the one --mkdir creates the rest in.
fs::path NearestExisting(fs::path dir) {
  std::error_code ec;
  while (!fs::exists(dir, ec) && dir.has_parent_path() && dir != dir.parent_path())
    dir = dir.parent_path();
  return dir;
}

std::string FieldNames(TTable& table) {
  std::string s;
  for (int i = 0; i < table.FieldCount(); ++i) s += (i ? ", " : "") + table.Fields(i).FieldName();
  return s;
}

}  // namespace

TExportCliOptions ExportOptionsFrom(const TParsedArgs& args, const TCommandSpec& commandSpec) {
  TExportCliOptions out;
  out.File = args.Value("--export");
  if (args.Has("--export") && out.File.empty())
    throw UsageError(commandSpec, "--export needs a file");
  out.Format = ParseFormat(commandSpec, args.Value("--format", "csv"));
  if (args.Has("--fields")) {
    out.Fields = SplitFields(args.Value("--fields"));
    if (out.Fields.empty()) throw UsageError(commandSpec, "--fields names no field");
  }
  out.Overwrite = args.Has("--overwrite");
  out.Mkdir = args.Has("--mkdir");
  const std::string encoding = Str_Lower(args.Value("--encoding", "raw"));
  if (encoding != "raw" && encoding != "utf-8" && encoding != "utf8")
    throw UsageError(commandSpec,
                     "--encoding: '" + args.Value("--encoding") + "' is not one of raw, utf-8");
  out.Utf8 = encoding != "raw";
  if (!out.Active()) {
    for (const char* option : {"--format", "--fields", "--overwrite", "--encoding", "--mkdir"})
      if (args.Has(option))
        throw UsageError(commandSpec, std::string(option) + " goes with --export");
  }
  if (out.ToStdout() && out.Format != efCsv)
    throw UsageError(commandSpec, "--export -: only CSV can be written to standard output");
  if (out.Utf8 && out.Format != efCsv)
    throw UsageError(commandSpec, out.Format == efXlsx
                                      ? "--encoding: workbooks always hold UTF-8"
                                      : "--encoding: tables keep the code page of their records");
  return out;
}

void CheckExportTarget(const TExportCliOptions& options) {
  if (!options.Active() || options.ToStdout()) return;
  std::error_code ec;
  const fs::file_status status = fs::status(options.File, ec);
  if (fs::is_directory(status))
    throw std::runtime_error("--export: " + options.File + " is a directory");
  if (fs::exists(status) && !options.Overwrite)
    throw std::runtime_error("--export: " + options.File +
                             " exists (give --overwrite to replace it)");
  const fs::path parent = fs::absolute(fs::path(options.File)).parent_path();
  // A mistyped directory would otherwise grow a tree of its own.
  if (!fs::exists(parent, ec) && !options.Mkdir)
    throw std::runtime_error("--export: no such directory: " + parent.string() +
                             " (give --mkdir to create it)");
  const fs::path dir = NearestExisting(parent);
  if (!fs::is_directory(dir, ec))
    throw std::runtime_error("--export: cannot create " + options.File + ": " + dir.string() +
                             " is not a directory");
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    throw std::runtime_error("--export: cannot write to " + dir.string() + ": " +
                             std::strerror(errno));
}

void CheckExportFields(TTable& table, const TExportCliOptions& options,
                       const TCommandSpec& commandSpec) {
  for (const std::string& name : options.Fields)
    if (!table.FindField(name))
      throw UsageError(commandSpec,
                       "--fields: no field '" + name + "' (the fields: " + FieldNames(table) + ")");
}

int RunExport(TTable& result, const TExportCliOptions& options) {
  const std::string name = options.ToStdout() ? kStdoutName : options.File;
  // Records another session appended become visible.
  result.Refresh();
  TExportEngine engine(result);
  engine.SetRows(RowsFor(result, options.Fields));
  engine.SetFormat(options.Format);
  engine.SetOutputName(name);
  engine.SetUtf8Text(options.Utf8);
  engine.SetCreateDirectories(options.Mkdir);
  if (options.ToStdout()) {
    std::fflush(stdout);
    engine.SetOutputStream(STDOUT_FILENO);
  }

  const bool showProgress = ::isatty(STDERR_FILENO);
  TExportCallbacks& cb = engine.Callbacks();
  cb.ShowMessage = [](const std::string& m) {
    // A reader that went away needs no explanation.
    if (TStopSignals::Received() == 0) PrintMessage("export: " + m);
  };
  // Checked before the search; this answers only for a file made since.
  cb.AskYesNo = [&](const std::string& question) {
    if (!options.Overwrite)
      PrintMessage("export: " + name + " " + question + " (give --overwrite to replace it)");
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
    if (TStopSignals::Received() != 0) engine.Abort();
  };

  const TExportResult r = engine.Execute();
  if (showProgress && shown >= 0) std::fputs("\r\033[K", stderr);
  if (TStopSignals::Received() == SIGPIPE) return TStopSignals::ExitStatus();

  switch (r.Outcome) {
    case TExportOutcome::Completed:
      std::fprintf(stderr, "Exported %d records to %s\n", r.Written, name.c_str());
      return r.NotWritten == 0 ? 0 : 1;
    case TExportOutcome::Aborted:
      std::fprintf(stderr, "Export aborted: %d records written to %s\n", r.Written, name.c_str());
      return TStopSignals::Received() != 0 ? TStopSignals::ExitStatus() : 130;
    default:
      return 1;
  }
}

}  // namespace lw::cli
