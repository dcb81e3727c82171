#pragma once

#include <string>
#include <vector>

namespace lw::cli {

// Each command gets its arguments after the command name and returns the exit status.
// Errors print one line on stderr and return 1.
int RunInfo(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunSearch(const std::vector<std::string>& args);
int RunNews(const std::vector<std::string>& args);

}  // namespace lw::cli
