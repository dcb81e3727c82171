#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Table.h"

namespace lw::cli {

// The arguments of a command that reads one table: TABLE [--password P].
struct TTableArgs {
  std::string Path;
  std::string Password;
};

// Parses TABLE [--password P]; throws std::runtime_error with a usage line otherwise.
TTableArgs ParseTableArgs(const std::vector<std::string>& args, const char* command);

// Opens the table read-only, with the password registered in the default session when one
// is given. Throws EDatabaseError when the table cannot be read.
std::unique_ptr<TTable> OpenTableForReading(const TTableArgs& args);

}  // namespace lw::cli
