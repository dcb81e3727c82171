// `searches`: the saved searches of the user settings file, listed or deleted.
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "CliMessages.h"
#include "CliOptions.h"
#include "Commands.h"
#include "CriteriaLists.h"
#include "IniFile.h"
#include "SharedData.h"
#include "StoredSearch.h"

namespace lw::cli {

namespace {

constexpr TOptionSpec kSearchesOptions[] = {
    {"--delete", "NAME", "delete the saved search NAME"},
    {"--home", "DIR", "program directory to run from (default: this program's)"},
};

constexpr TCommandSpec kSearches{
    "searches", "[--delete NAME] [--home DIR]", kSearchesOptions,
    "Lists each saved search on a line: its name, a tab, and the options of\n"
    "`ledgerwake-cli search` that give the same search. `search --saved NAME` runs one,\n"
    "`search --save NAME` saves one.\n"};

// Single quotes as a shell reads them.
std::string ShellWord(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string AsOptions(const TStoredSearch& s) {
  std::string out;
  auto add = [&out](const char* option, const std::string& value) {
    if (!value.empty())
      out += (out.empty() ? "" : " ") + std::string(option) + " " + ShellWord(value);
  };
  add("--sic", s.Inputs.SIC);
  add("--sic-desc", s.Inputs.SICDesc);
  add("--company", s.Inputs.Company);
  add("--city", s.Inputs.City);
  add("--zip", s.Inputs.Zip);
  add("--near", s.Inputs.Near);
  add("--miles", s.Inputs.Miles);
  auto rows = [&add](const char* option, const std::vector<bool>& selected, const auto& names) {
    for (size_t i = 1; i < selected.size() && i < names.size(); ++i)
      if (selected[i]) add(option, std::string(names[i]));
  };
  rows("--state", s.Inputs.States, StateRows);
  rows("--employees", s.Inputs.Employees, EmployeeRows);
  rows("--sales", s.Inputs.Sales, SalesRows);
  if (s.Options.IgnoreCase) out += out.empty() ? "--ignore-case" : " --ignore-case";
  if (s.Options.Wildcards) out += out.empty() ? "--wildcards" : " --wildcards";
  return out;
}

}  // namespace

int RunSearches(const std::vector<std::string>& args) {
  const TParsedArgs p = ParseArgs(args, kSearches);
  if (p.Help) return PrintHelp(kSearches);
  if (!p.Operands.empty())
    throw UsageError(kSearches, "unexpected argument '" + p.Operands[0] + "'");
  TSharedDataOptions options;
  options.ProgramDir = p.Value("--home");
  options.Notifier = std::make_shared<TCliNotifier>(true);
  // Only the settings file is needed: a missing table does not keep the list from being read.
  TSharedData shared(options);
  TIniFile* ini = shared.ConfigIni();
  if (!ini) {
    PrintMessage(shared.ErrorText());
    return 1;
  }
  if (p.Has("--delete")) {
    if (!DeleteSavedSearch(*ini, p.Value("--delete")))
      throw std::runtime_error("--delete: no saved search named '" + p.Value("--delete") + "'");
    return 0;
  }
  for (const std::string& name : SavedSearchNames(*ini)) {
    const std::optional<TStoredSearch> s = ReadSavedSearch(*ini, name);
    if (s) std::printf("%s\t%s\n", name.c_str(), AsOptions(*s).c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace lw::cli
