// Placeholder until the search core lands.
#include <cstdio>

#include "Commands.h"

namespace lw::cli {
int RunSearch(const std::vector<std::string>&) {
  std::fputs("ledgerwake-cli: search is not available yet\n", stderr);
  return 1;
}
}  // namespace lw::cli
