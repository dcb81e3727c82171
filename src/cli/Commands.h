#pragma once

#include <span>
#include <string>
#include <vector>

namespace lw::cli {

// Each command gets its arguments after the command name and returns the exit status:
// 0 done, 1 failed (one line on stderr), 2 a command line that does not fit (the message and
// a short usage on stderr), 128 + signal when stopped from outside.
int RunInfo(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunSearch(const std::vector<std::string>& args);
int RunSearches(const std::vector<std::string>& args);
int RunNews(const std::vector<std::string>& args);
int RunUpdate(const std::vector<std::string>& args);

// One command of ledgerwake-cli: its name, the line `ledgerwake-cli help` shows for it, and
// what runs it. A new command is a new entry in CommandTable() (Commands.cpp).
struct TCommand {
  const char* Name;
  const char* Summary;
  int (*Run)(const std::vector<std::string>& args);
};

// Every command, in the order `help` lists them.
std::span<const TCommand> CommandTable();

// The whole command line after the program's name: dispatches to a command, or answers
// `help`, `--help`, `--version` and the empty command line itself. Returns the exit status.
int RunCli(const std::vector<std::string>& args);

}  // namespace lw::cli
