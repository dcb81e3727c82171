#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "Table.h"

namespace lw::cli {

// The arguments of a command that reads one table: TABLE [--password P] [--raw].
struct TTableArgs {
  std::string Path;
  std::string Password;
  bool Raw = false;  // the stored bytes instead of UTF-8
  bool Help = false;
};

// The description of a command that reads one table (info, dump).
TCommandSpec TableCommandSpec(const char* name);

// Parses TABLE [--password P] [--raw] for `commandSpec`; throws EUsage otherwise.
TTableArgs ParseTableArgs(const std::vector<std::string>& args, const TCommandSpec& commandSpec);

// The table file a user means: the path as given when it exists, otherwise, for a name
// without extension, the name with ".db" and then ".dbf". Throws with a message naming
// what was looked for when there is no such table.
std::string ResolveTablePath(const std::string& given);

// Opens the table read-only, with the password registered in the default session when one
// is given. Throws EDatabaseError when the table cannot be read.
std::unique_ptr<TTable> OpenTableForReading(const TTableArgs& args);

// The text of a table's field name or value as the command writes it: UTF-8 converted from
// the table's code page, or the stored bytes with --raw.
class TOutputText {
 public:
  TOutputText(TTable& table, bool raw);
  std::string_view operator()(std::string_view stored);
  // Only text kinds are converted; other kinds' text forms are plain ASCII, and binary
  // values are left as they are.
  std::string_view Field(TField& field, std::string_view stored);

 private:
  int FCodePage;
  bool FRaw;
  std::string FBuffer;
};

}  // namespace lw::cli
