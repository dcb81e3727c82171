#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

void Usage() {
  std::fputs(
      "usage: ledgerwake-cli <command> [options]\n"
      "  info TABLE                 fields, types, sizes, record count, format\n"
      "  dump TABLE [--password P]  the records as CSV with a header row\n"
      "  search [criteria] [--home DIR] [--list]   a search as the program runs it\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage();
    return 1;
  }
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "info") return lw::cli::RunInfo(args);
    if (command == "dump") return lw::cli::RunDump(args);
    if (command == "search") return lw::cli::RunSearch(args);
    if (command == "--help" || command == "-h") {
      Usage();
      return 0;
    }
    std::fprintf(stderr, "ledgerwake-cli: unknown command '%s'\n", command.c_str());
    Usage();
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ledgerwake-cli: %s\n", e.what());
    return 1;
  }
}
