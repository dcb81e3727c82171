// Placeholder until the info and dump commands land.
#include <cstdio>

#include "Commands.h"

namespace lw::cli {
int RunInfo(const std::vector<std::string>&) { return 1; }
int RunDump(const std::vector<std::string>&) { return 1; }
}  // namespace lw::cli
