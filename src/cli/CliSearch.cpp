// `search`: one search as the program runs it - the real start-up, the worker and the
// result table - driven from the command line.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "CliExport.h"
#include "Commands.h"
#include "Criteria.h"
#include "CriteriaLists.h"
#include "CsvWriter.h"
#include "EventDelivery.h"
#include "Notifier.h"
#include "SharedData.h"
#include "Table.h"
#include "TableThread.h"

namespace lw::cli {

namespace {

constexpr const char* kSearchUsage =
    "usage: ledgerwake-cli search [criteria] [--home DIR] [--list] [--keep] [--quiet]\n"
    "  --sic TEXT        SIC codes as typed in the program (\"50*, 7011\")\n"
    "  --sic-desc TEXT   SIC description (\"Com*\")\n"
    "  --company TEXT    company name (\"ABC*\")\n"
    "  --city TEXT       city (\"Ve*\")\n"
    "  --zip TEXT        zip codes as typed (\"02202*, 14221-5*\")\n"
    "  --state CODE      a state row (NY); repeat for more\n"
    "  --employees ROW   an employee-count row (\"1-4\"); repeat for more\n"
    "  --sales ROW       an annual-sales row (\"<.5M\"); repeat for more\n"
    "  --home DIR        program directory to run from (default: this program's)\n"
    "  --list            the found rows as CSV on stdout (the count then goes to stderr)\n"
    "  --keep            leave the results in the result table (the program empties it\n"
    "                    when it closes, and so does this command unless told)\n"
    "  --quiet           no progress bar\n"
    "  --time            the search's own time on stderr (\"search seconds=S\")\n";

struct TSearchArgs {
  TCriteriaInputs Inputs;
  std::string Home;
  bool List = false;
  bool Keep = false;
  bool Quiet = false;
  bool Time = false;
  TExportCliOptions Export;
};

void SelectRow(std::span<const std::string_view> rows, std::vector<bool>& selected,
               const std::string& value, const char* option) {
  auto it = std::find(rows.begin(), rows.end(), value);
  if (it == rows.end()) {
    std::string known;
    for (size_t i = 1; i < rows.size(); ++i) known += (i > 1 ? ", " : "") + std::string(rows[i]);
    throw std::runtime_error(std::string(option) + ": '" + value + "' is not a row of the list (" +
                             known + ")");
  }
  selected.resize(rows.size(), false);
  selected[static_cast<size_t>(it - rows.begin())] = true;
}

TSearchArgs ParseSearchArgs(const std::vector<std::string>& args) {
  TSearchArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::runtime_error(a + " needs a value\n" + kSearchUsage);
      return args[++i];
    };
    if (a == "--sic") {
      out.Inputs.SIC = value();
    } else if (a == "--sic-desc") {
      out.Inputs.SICDesc = value();
    } else if (a == "--company") {
      out.Inputs.Company = value();
    } else if (a == "--city") {
      out.Inputs.City = value();
    } else if (a == "--zip") {
      out.Inputs.Zip = value();
    } else if (a == "--state") {
      SelectRow(StateRows, out.Inputs.States, value(), "--state");
    } else if (a == "--employees") {
      SelectRow(EmployeeRows, out.Inputs.Employees, value(), "--employees");
    } else if (a == "--sales") {
      SelectRow(SalesRows, out.Inputs.Sales, value(), "--sales");
    } else if (a == "--home") {
      out.Home = value();
    } else if (a == "--list") {
      out.List = true;
    } else if (a == "--keep") {
      out.Keep = true;
    } else if (a == "--quiet") {
      out.Quiet = true;
    } else if (a == "--time") {
      out.Time = true;
    } else if (ParseExportOption(args, i, out.Export)) {
    } else {
      throw std::runtime_error("search: unknown option '" + a + "'\n" + kSearchUsage);
    }
  }
  if (!out.Export.Active() && (!out.Export.Fields.empty() || out.Export.Overwrite))
    throw std::runtime_error("search: --fields and --overwrite go with --export");
  return out;
}

// Start-up texts begin with a line break; a terminal needs none in front.
std::string Trimmed(std::string text) {
  size_t start = text.find_first_not_of("\r\n");
  if (start == std::string::npos) return {};
  text.erase(0, start);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
  gInterrupted.store(true);
}

void DrawProgress(int percent) {
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %3d %% ", bar.c_str(), percent);
  std::fflush(stderr);
}

void ListResults(TTable& results) {
  results.Refresh();
  TCsvWriter csv(stdout);
  const int fields = results.FieldCount();
  for (int i = 0; i < fields; ++i) csv.Field(results.Fields(i).FieldName());
  csv.EndRow();
  for (results.First(); !results.Eof(); results.Next()) {
    for (int i = 0; i < fields; ++i) csv.Field(results.FieldText(i));
    csv.EndRow();
  }
  csv.Flush();
}

}  // namespace

int RunSearch(const std::vector<std::string>& args) {
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    std::fputs(kSearchUsage, stdout);
    std::fputs(kExportUsage, stdout);
    return 0;
  }
  const TSearchArgs parsed = ParseSearchArgs(args);

  TSharedDataOptions options;
  options.ProgramDir = parsed.Home;
  auto shared = std::make_unique<TSharedData>(options);
  if (!shared->ErrorText().empty()) {
    std::fprintf(stderr, "%s\n", Trimmed(shared->ErrorText()).c_str());
    return 1;
  }
  TTable* results = shared->ResultTable();
  // As Go does: results never accumulate across searches.
  if (results->RecordCount() > 0) {
    shared->RestructureTable(results, "");
    if (!shared->ErrorText().empty()) {
      std::fprintf(stderr, "%s\n", Trimmed(shared->ErrorText()).c_str());
      return 1;
    }
  }

  const bool showProgress = !parsed.Quiet && ::isatty(STDERR_FILENO);
  auto worker = std::make_shared<TTableThread>(true, shared.get());
  // Events run right on the worker's thread; the policy keeps them to one per percent.
  worker->SetDelivery(std::make_shared<TCoalescingDelivery>());
  TThreadAction last = taNone;
  worker->SetOnDisplay([&](TThreadAction action, int percent, int, int, int, const std::string&) {
    last = action;
    if (gInterrupted.load()) worker->Terminate();
    if (showProgress) DrawProgress(percent);
  });
  FillCriteria(parsed.Inputs, worker->Criteria());

  gInterrupted = false;
  auto previous = std::signal(SIGINT, OnInterrupt);
  const auto started = std::chrono::steady_clock::now();
  worker->Resume();
  worker->WaitFor();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  std::signal(SIGINT, previous);
  if (showProgress) std::fputs("\r\033[K", stderr);
  if (parsed.Time) std::fprintf(stderr, "search seconds=%.6f\n", took.count());

  // The worker's session holds the result table open; the program's worker frees itself at
  // its end, and so does this one before the table is read or emptied.
  const bool stopped = worker->Terminated();
  const int found = worker->Found();
  const std::string message = worker->Message();
  worker.reset();

  int status = 0;
  std::FILE* countOut = parsed.List ? stderr : stdout;
  if (stopped) {
    std::fputs("Aborted ...\n", stderr);
    status = 130;
  } else {
    if (parsed.List) ListResults(*results);
    std::fprintf(countOut, "Total Records Found: %d\n", found);
    if (last == taError || !message.empty()) {
      std::fprintf(stderr, "%s\n", message.c_str());
      status = 1;
    }
    if (status == 0 && parsed.Export.Active()) status = RunExport(*results, parsed.Export);
  }
  if (!parsed.Keep) {
    shared->RestructureTable(results, "");
    if (!shared->ErrorText().empty()) {
      std::fprintf(stderr, "%s\n", Trimmed(shared->ErrorText()).c_str());
      status = status ? status : 1;
    }
  }
  return status;
}

}  // namespace lw::cli
