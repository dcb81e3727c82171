// lw-gen: the sample data next to the program, and listing tables of any size for the
// benchmarks.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "ListingGenerator.h"
#include "SampleWriter.h"

namespace {

void Usage() {
  std::fputs(
      "usage: lw-gen --dir DIR [--records N] [--seed S]\n"
      "         sample/sample.db (5000 records), data/swap.db, setup.ini and, when absent,\n"
      "         lwconfig.ini under DIR\n"
      "       lw-gen --records N --out FILE [--seed S] [--password P]\n"
      "         one listings table of N records\n",
      stderr);
}

bool ParseCount(const std::string& text, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return *end == '\0' && value >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, out, password;
  long long records = -1;
  long long seed = static_cast<long long>(lw::gen::TListingGenerator::kDefaultSeed);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--dir" && hasValue) {
      dir = argv[++i];
    } else if (arg == "--out" && hasValue) {
      out = argv[++i];
    } else if (arg == "--password" && hasValue) {
      password = argv[++i];
    } else if (arg == "--records" && hasValue) {
      if (!ParseCount(argv[++i], records)) {
        std::fprintf(stderr, "lw-gen: bad record count '%s'\n", argv[i]);
        return 1;
      }
    } else if (arg == "--seed" && hasValue) {
      if (!ParseCount(argv[++i], seed)) {
        std::fprintf(stderr, "lw-gen: bad seed '%s'\n", argv[i]);
        return 1;
      }
    } else {
      Usage();
      return 1;
    }
  }
  if (dir.empty() == out.empty() || (!out.empty() && records < 0) ||
      (!dir.empty() && !password.empty())) {
    Usage();
    return 1;
  }
  try {
    if (!dir.empty())
      lw::gen::WriteProgramFiles(dir, records < 0 ? 5000 : records, static_cast<uint64_t>(seed));
    else
      lw::gen::WriteListingTable(out, records, static_cast<uint64_t>(seed), password);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lw-gen: %s\n", e.what());
    return 1;
  }
  return 0;
}
