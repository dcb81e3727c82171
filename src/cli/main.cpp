#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

// Errors are reported on one line, whatever the message holds.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

void Usage() {
  std::fputs(
      "usage: ledgerwake-cli <command> [options]\n"
      "  info TABLE [--password P]  fields, types, sizes, record count, format\n"
      "  dump TABLE [--password P]  the records as CSV with a header row\n"
      "  search [criteria] [--home DIR] [--list]   a search as the program runs it\n"
      "  news [--refresh] [--home DIR]  the news tree, fetched first with --refresh\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("ledgerwake-cli: no command given (try --help)\n", stderr);
    return 1;
  }
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "info") return lw::cli::RunInfo(args);
    if (command == "dump") return lw::cli::RunDump(args);
    if (command == "search") return lw::cli::RunSearch(args);
    if (command == "news") return lw::cli::RunNews(args);
    if (command == "--help" || command == "-h") {
      Usage();
      return 0;
    }
    std::fprintf(stderr, "ledgerwake-cli: unknown command '%s' (try --help)\n",
                 OneLine(command).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ledgerwake-cli: %s\n", OneLine(e.what()).c_str());
    return 1;
  }
}
