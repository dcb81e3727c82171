// The command table of ledgerwake-cli and what answers before any command runs.
#include "Commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "CliMessages.h"
#include "CliOptions.h"
#include "Layout.h"
#include "strutil/FileUtil.h"
#include "strutil/VersionInfo.h"

namespace lw::cli {

namespace {

constexpr TCommand kCommands[] = {
    {"info", "fields, types, sizes, record count and format of a table", RunInfo},
    {"dump", "the records of a table as CSV with a header row", RunDump},
    {"search", "a search as the program runs it, listed, counted or exported", RunSearch},
    {"searches", "the saved searches, listed or deleted", RunSearches},
    {"news", "the news as the news window shows it, fetched first with --refresh", RunNews},
    {"update", "one run of the web update: check, choose, download, install", RunUpdate},
};

const TCommand* FindCommand(const std::string& name) {
  for (const TCommand& c : CommandTable())
    if (name == c.Name) return &c;
  return nullptr;
}

std::string CommandList() {
  std::string s =
      "usage: ledgerwake-cli COMMAND [options]\n"
      "\n"
      "commands:\n";
  // The summaries line up two blanks after the longest name.
  size_t width = 4;  // "help"
  for (const TCommand& c : CommandTable()) width = std::max(width, std::strlen(c.Name));
  auto line = [&s, width](const std::string& name, const std::string& summary) {
    s += "  " + name + std::string(width + 2 - name.size(), ' ') + summary + "\n";
  };
  for (const TCommand& c : CommandTable()) line(c.Name, c.Summary);
  line("help", "this list; `help COMMAND` shows a command's options");
  s += "\n"
       "'ledgerwake-cli COMMAND --help' shows a command's options, "
       "'ledgerwake-cli --version' the version.\n";
  return s;
}

int PrintVersion() {
  TFileVersionInfo v;
  if (!ReadFileVersionInfo(ProgramPath(), v)) v = BuiltInVersionInfo();
  std::string s = "ledgerwake-cli (" + v.ProductName + ") " + v.ProductVersion + "\n";
  auto add = [&s](const char* name, const std::string& value) {
    if (!value.empty()) s += std::string(name) + value + "\n";
  };
  add("File version:  ", v.FileVersion);
  add("Internal name: ", v.InternalName);
  add("Company:       ", v.CompanyName);
  add("", v.LegalCopyright);
  // Where this copy reads and writes: the same decision the program makes at start.
  s += DecideLayout(ExtractFilePath(ProgramPath())).Description();
  std::fputs(s.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

std::span<const TCommand> CommandTable() {
  return kCommands;
}

int RunCli(const std::vector<std::string>& args) {
  const std::string first = args.empty() ? "help" : args[0];
  const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  try {
    if (first == "help" || first == "--help" || first == "-h") {
      if (first == "help" && !rest.empty()) {
        if (const TCommand* c = FindCommand(rest[0])) return c->Run({"--help"});
        std::fprintf(stderr, "%sunknown command '%s'\n%s", kMessagePrefix, OneLine(rest[0]).c_str(),
                     CommandList().c_str());
        return 2;
      }
      std::fputs(CommandList().c_str(), stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (first == "--version") return PrintVersion();
    const TCommand* command = FindCommand(first);
    if (!command) {
      std::fprintf(stderr, "%sunknown command '%s'\n%s", kMessagePrefix, OneLine(first).c_str(),
                   CommandList().c_str());
      return 2;
    }
    return command->Run(rest);
  } catch (const EUsage& e) {
    std::fprintf(stderr, "%s\n%s", OneLine(e.what()).c_str(), e.Usage().c_str());
    return 2;
  } catch (const std::exception& e) {
    PrintMessage(*e.what() ? OneLine(e.what()) : "Unknown Error.");
    return 1;
  }
}

}  // namespace lw::cli
