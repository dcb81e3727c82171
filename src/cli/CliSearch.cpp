// `search`: one search as the program runs it - the real start-up, the worker and the
// result table - driven from the command line.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "CliExport.h"
#include "CliListing.h"
#include "CliMessages.h"
#include "CliOptions.h"
#include "CliSignals.h"
#include "CliTable.h"
#include "Commands.h"
#include "Criteria.h"
#include "CriteriaLists.h"
#include "EventDelivery.h"
#include "IniFile.h"
#include "Nearby.h"
#include "SharedData.h"
#include "StoredSearch.h"
#include "Summary.h"
#include "Table.h"
#include "TableThread.h"
#include "strutil/CodePage.h"

namespace lw::cli {

namespace {

constexpr TOptionSpec kSearchOptions[] = {
    {"--sic", "TEXT", "SIC codes as typed in the program (\"50*, 7011\")"},
    {"--sic-desc", "TEXT", "SIC description (\"Com*\")"},
    {"--company", "TEXT", "company name (\"ABC*\")"},
    {"--city", "TEXT", "city (\"Ve*\")"},
    {"--zip", "TEXT", "zip codes as typed (\"02202*, 14221-5*\")"},
    {"--state", "CODE", "a state row (NY); repeat for more"},
    {"--employees", "ROW", "an employee-count row (\"1-4\"); repeat for more"},
    {"--sales", "ROW", "an annual-sales row (\"<.5M\"); repeat for more"},
    {"--near", "ZIP", "with --miles: measured from this 5-digit zip (or LAT,LON)"},
    {"--miles", "N", "with --near: only records within N miles (great-circle)"},
    {"--ignore-case", nullptr, "letters in the typed criteria match in either case"},
    {"--wildcards", nullptr, "'*' anywhere in a typed criterion (\"*York\", \"A*Co\")"},
    {"--saved", "NAME", "run the saved search NAME (see `ledgerwake-cli searches`)"},
    {"--save", "NAME", "save this search's criteria and options as NAME, then run it"},
    {"--home", "DIR", "program directory to run from (default: this program's)"},
    {"--table", "FILE", "search this table of the listings layout instead of the sample's"},
    {"--password", "P", "password of the --table file"},
    {"--list", nullptr, "each found row as CSV on stdout as it is found (count on stderr)"},
    {"--raw", nullptr, "--list in the table's stored bytes instead of UTF-8"},
    {"--keep", nullptr, "leave the results in the result table (otherwise it is emptied)"},
    {"--quiet", nullptr, "no progress bar and no notices (failures are still reported)"},
    {"--time", nullptr, "the search's own time on stderr (\"search seconds=S\")"},
    {"--summary", "BY", "\"value<TAB>count\" on stdout: state, employees, sales or sic2"},
    {"--export", "FILE", "write the found records to FILE (as given); - is stdout"},
    {"--format", "F", "csv (default), dbase, paradox or xlsx (an Excel workbook)"},
    {"--fields", "A,B,...", "only these fields, in the table's field order (default: all)"},
    {"--encoding", "E", "text of a CSV export: raw (stored bytes, default) or utf-8"},
    {"--overwrite", nullptr, "replace the --export file when it exists"},
    {"--mkdir", nullptr, "create the --export file's missing directories"},
};

constexpr TCommandSpec kSearch{
    "search", "[criteria] [--table FILE] [--list | --summary BY | --export FILE] [options]",
    kSearchOptions,
    "Options take their value as --opt VALUE or --opt=VALUE. Every option is checked before\n"
    "the search starts. Without --list or --export - the count goes to stdout.\n"
    "--near ZIP --miles N keeps the records within N miles of the mean position of the\n"
    "table's records whose zip begins with ZIP (the table needs LATITUDE and LONGITUDE\n"
    "fields), together with the other criteria.\n"
    "With --saved, a text criterion given (--sic, --sic-desc, --company, --city, --zip,\n"
    "--near, --miles) replaces the saved one, --state, --employees and --sales add rows to\n"
    "the saved ones, and --ignore-case and --wildcards turn their option on. The program's\n"
    "window saves and loads the same searches (the user settings file, section\n"
    "[Saved Searches]).\n"
    "Ctrl+C, SIGTERM or a closed output pipe stop the search the way Abort does.\n"};

struct TSearchArgs {
  TCriteriaInputs Inputs;
  TMatchOptions Options;
  std::string Saved;
  std::string Save;
  // Which of the text criteria the command line gives (a saved search keeps the others).
  std::vector<std::string TCriteriaInputs::*> GivenTexts;
  std::string Home;
  std::string Table;
  std::string Password;
  bool List = false;
  bool Raw = false;
  bool Keep = false;
  bool Quiet = false;
  bool Time = false;
  bool Summary = false;
  TSummaryKind SummaryBy = skState;
  TExportCliOptions Export;
};

void SelectRow(std::span<const std::string_view> rows, std::vector<bool>& selected,
               const std::string& value, const char* option) {
  auto it = std::find(rows.begin(), rows.end(), value);
  if (it == rows.end()) {
    std::string known;
    for (size_t i = 1; i < rows.size(); ++i) known += (i > 1 ? ", " : "") + std::string(rows[i]);
    throw UsageError(kSearch, std::string(option) + ": '" + value + "' is not a row of the list (" +
                                  known + ")");
  }
  selected.resize(rows.size(), false);
  selected[static_cast<size_t>(it - rows.begin())] = true;
}

// The radius's two options come together, except that a saved search may lend either.
void CheckNearby(const TParsedArgs& p) {
  if (p.Has("--near") != p.Has("--miles") && !p.Has("--saved"))
    throw UsageError(kSearch,
                     p.Has("--near") ? "--near needs --miles" : "--miles goes with --near");
  if (p.Has("--near")) {
    if (std::string problem = NearbyCentreProblem(p.Value("--near")); !problem.empty())
      throw UsageError(kSearch, "--near: " + problem);
  }
  if (p.Has("--miles")) {
    if (std::string problem = NearbyMilesProblem(p.Value("--miles")); !problem.empty())
      throw UsageError(kSearch, "--miles: " + problem);
  }
}

TSearchArgs SearchArgsFrom(const TParsedArgs& p) {
  if (!p.Operands.empty()) throw UsageError(kSearch, "unexpected argument '" + p.Operands[0] + "'");
  TSearchArgs out;
  const std::pair<const char*, std::string TCriteriaInputs::*> texts[] = {
      {"--sic", &TCriteriaInputs::SIC},         {"--sic-desc", &TCriteriaInputs::SICDesc},
      {"--company", &TCriteriaInputs::Company}, {"--city", &TCriteriaInputs::City},
      {"--zip", &TCriteriaInputs::Zip},         {"--near", &TCriteriaInputs::Near},
      {"--miles", &TCriteriaInputs::Miles},
  };
  for (const auto& [option, text] : texts) {
    if (!p.Has(option)) continue;
    // The terminal speaks UTF-8; the matcher compares the table's bytes, as the window's
    // inputs hand them over.
    out.Inputs.*text = Utf8ToCodePage(p.Value(option), kDefaultCodePage);
    out.GivenTexts.push_back(text);
  }
  CheckNearby(p);
  out.Options.IgnoreCase = p.Has("--ignore-case");
  out.Options.Wildcards = p.Has("--wildcards");
  out.Saved = p.Value("--saved");
  out.Save = p.Value("--save");
  if (p.Has("--saved") && out.Saved.empty()) throw UsageError(kSearch, "--saved needs a name");
  if (p.Has("--save")) {
    if (std::string problem = SearchNameProblem(out.Save); !problem.empty())
      throw UsageError(kSearch, "--save: " + problem);
  }
  for (const std::string& v : p.Values("--state"))
    SelectRow(StateRows, out.Inputs.States, v, "--state");
  for (const std::string& v : p.Values("--employees"))
    SelectRow(EmployeeRows, out.Inputs.Employees, v, "--employees");
  for (const std::string& v : p.Values("--sales"))
    SelectRow(SalesRows, out.Inputs.Sales, v, "--sales");
  out.Home = p.Value("--home");
  out.Table = p.Value("--table");
  out.Password = p.Value("--password");
  out.List = p.Has("--list");
  out.Raw = p.Has("--raw");
  out.Keep = p.Has("--keep");
  out.Quiet = p.Has("--quiet");
  out.Time = p.Has("--time");
  out.Export = ExportOptionsFrom(p, kSearch);
  if (p.Has("--home") && out.Home.empty()) throw UsageError(kSearch, "--home needs a directory");
  if (p.Has("--table") && out.Table.empty()) throw UsageError(kSearch, "--table needs a file");
  if (p.Has("--password") && out.Table.empty())
    throw UsageError(kSearch, "--password goes with --table");
  if (out.Raw && !out.List) throw UsageError(kSearch, "--raw goes with --list");
  out.Summary = p.Has("--summary");
  if (out.Summary && !SummaryKindFromName(p.Value("--summary"), out.SummaryBy))
    throw UsageError(kSearch, "--summary: '" + p.Value("--summary") +
                                  "' is not one of state, employees, sales, sic2");
  if (out.Summary && (out.List || out.Export.ToStdout()))
    throw UsageError(kSearch, "--summary and " + std::string(out.List ? "--list" : "--export -") +
                                  " would both write to stdout");
  if (out.List && out.Export.ToStdout())
    throw UsageError(kSearch, "--list and --export - would both write to stdout");
  return out;
}

// What can be checked before any table is opened.
void CheckBeforeStart(TSearchArgs& args) {
  std::error_code ec;
  if (!args.Home.empty() && !std::filesystem::is_directory(args.Home, ec))
    throw std::runtime_error("--home: no such directory: '" + args.Home + "'");
  if (!args.Table.empty())
    args.Table = std::filesystem::absolute(ResolveTablePath(args.Table)).string();
  CheckExportTarget(args.Export);
}

void DrawProgress(int percent) {
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %3d %% ", bar.c_str(), percent);
  std::fflush(stderr);
}

// A saved search under what the command line gives: texts replace, rows add, options turn on.
void ApplySaved(TSearchArgs& args, const TIniFile* ini) {
  if (args.Saved.empty()) return;
  std::optional<TStoredSearch> saved = ini ? ReadSavedSearch(*ini, args.Saved) : std::nullopt;
  if (!saved) throw std::runtime_error("--saved: no saved search named '" + args.Saved + "'");
  TCriteriaInputs& in = saved->Inputs;
  for (auto text : args.GivenTexts) in.*text = args.Inputs.*text;
  for (auto rows :
       {&TCriteriaInputs::States, &TCriteriaInputs::Employees, &TCriteriaInputs::Sales}) {
    std::vector<bool>& to = in.*rows;
    const std::vector<bool>& add = args.Inputs.*rows;
    if (to.size() < add.size()) to.resize(add.size(), false);
    for (size_t i = 0; i < add.size(); ++i) to[i] = to[i] || add[i];
  }
  saved->Options.IgnoreCase = saved->Options.IgnoreCase || args.Options.IgnoreCase;
  saved->Options.Wildcards = saved->Options.Wildcards || args.Options.Wildcards;
  args.Inputs = std::move(saved->Inputs);
  args.Options = saved->Options;
}

// Empties the result table unless told to keep it; a failure there is reported and turns a
// successful run into a failed one.
int EmptyResults(TSharedData& shared, TTable* results, bool keep, int status) {
  if (keep) return status;
  shared.RestructureTable(results, "");
  if (shared.ErrorText().empty()) return status;
  PrintMessage(shared.ErrorText());
  return status ? status : 1;
}

// The program's shared data for this run, with the saved search applied and --save done;
// null (the reason printed) when the tables cannot be opened.
std::unique_ptr<TSharedData> OpenForSearch(TSearchArgs& parsed) {
  TSharedDataOptions options;
  options.ProgramDir = parsed.Home;
  options.SourceTable = parsed.Table;
  options.SourcePassword = parsed.Password;
  options.Notifier = std::make_shared<TCliNotifier>(parsed.Quiet);
  auto shared = std::make_unique<TSharedData>(options);
  if (!shared->ErrorText().empty()) {
    PrintMessage(shared->ErrorText());
    return nullptr;
  }
  ApplySaved(parsed, shared->ConfigIni());
  if (!parsed.Save.empty()) {
    if (!shared->ConfigIni()) throw std::runtime_error("--save: there is no user settings file");
    WriteSavedSearch(*shared->ConfigIni(), parsed.Save, {parsed.Inputs, parsed.Options});
  }
  return shared;
}

// What a successful search hands over: the count, then the summary or the export; the exit
// status.
int HandOver(const TSearchArgs& parsed, TTable& results, int found) {
  // The count goes where the data do not.
  std::FILE* countOut = parsed.List || parsed.Export.ToStdout() || parsed.Summary ? stderr : stdout;
  std::fprintf(countOut, "Total Records Found: %d\n", found);
  std::fflush(countOut);
  int status = 0;
  if (parsed.Summary) {
    results.Refresh();
    const std::string text =
        SummaryText(Summarise(results), parsed.SummaryBy, results.FileInfo().CodePage);
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) status = 1;
  }
  if (parsed.Export.Active()) status = RunExport(results, parsed.Export);
  return status;
}

}  // namespace

int RunSearch(const std::vector<std::string>& args) {
  const TParsedArgs parsedArgs = ParseArgs(args, kSearch);
  if (parsedArgs.Help) return PrintHelp(kSearch);
  TSearchArgs parsed = SearchArgsFrom(parsedArgs);
  CheckBeforeStart(parsed);

  // From here on a stop signal ends the run the way Abort does.
  TStopSignals signals;
  auto shared = OpenForSearch(parsed);
  if (!shared) return 1;
  TTable* results = shared->ResultTable();
  CheckExportFields(*results, parsed.Export, kSearch);
  // As Go does: results never accumulate across searches.
  if (results->RecordCount() > 0) {
    shared->RestructureTable(results, "");
    if (!shared->ErrorText().empty()) {
      PrintMessage(shared->ErrorText());
      return 1;
    }
  }

  std::unique_ptr<TResultListing> listing;
  if (parsed.List) listing = std::make_unique<TResultListing>(*results, parsed.Raw, stdout);

  // A bar on the terminal that also shows the streamed rows would cut through them.
  const bool rowsOnTerminal = parsed.List && ::isatty(STDOUT_FILENO);
  const bool showProgress = !parsed.Quiet && ::isatty(STDERR_FILENO) && !rowsOnTerminal;
  auto worker = std::make_shared<TTableThread>(true, shared.get());
  // Events run right on the worker's thread; the policy keeps them to one per percent and
  // the match batches to one per 100 ms.
  worker->SetDelivery(std::make_shared<TCoalescingDelivery>());
  worker->SetOnDisplay([&](TThreadAction action, int percent, int, int, int, const std::string&) {
    if (listing && action != taError) listing->CatchUp();
    if (TStopSignals::Received() != 0 || (listing && listing->Failed())) worker->Terminate();
    if (showProgress) DrawProgress(percent);
  });
  FillCriteria(parsed.Inputs, worker->Criteria());
  worker->SetMatchOptions(parsed.Options);
  worker->SetNearby(parsed.Inputs.Near, parsed.Inputs.Miles);

  const auto started = std::chrono::steady_clock::now();
  worker->Resume();
  worker->WaitFor();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  if (showProgress) std::fputs("\r\033[K", stderr);
  if (parsed.Time) std::fprintf(stderr, "search seconds=%.6f\n", took.count());

  // The worker's session holds the result table open; the program's worker frees itself at
  // its end, and so does this one before the table is read or emptied.
  const bool stopped = worker->Terminated();
  const bool failed = worker->Action() == taError || !worker->Message().empty();
  const int found = worker->Found();
  const std::string message = worker->Message();
  worker.reset();

  if (listing && !stopped && !failed) {
    listing->CatchUp();
    listing->Flush();
  }
  if (TStopSignals::Received() != 0)
    return EmptyResults(*shared, results, parsed.Keep, TStopSignals::ExitStatus());
  if (listing && listing->Failed()) {
    PrintMessage(listing->Error());
    return EmptyResults(*shared, results, parsed.Keep, 1);
  }
  if (failed) {
    PrintMessage(message.empty() ? "Unknown Error." : message);
    return EmptyResults(*shared, results, parsed.Keep, 1);
  }

  return EmptyResults(*shared, results, parsed.Keep, HandOver(parsed, *results, found));
}

}  // namespace lw::cli
