#include "CliTable.h"

#include <stdexcept>

#include "Session.h"

namespace lw::cli {

TTableArgs ParseTableArgs(const std::vector<std::string>& args, const char* command) {
  TTableArgs out;
  bool bad = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--password" && i + 1 < args.size()) {
      out.Password = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && out.Path.empty()) {
      out.Path = args[i];
    } else {
      bad = true;
    }
  }
  if (bad || out.Path.empty())
    throw std::runtime_error(std::string("usage: ledgerwake-cli ") + command +
                             " TABLE [--password P]");
  return out;
}

std::unique_ptr<TTable> OpenTableForReading(const TTableArgs& args) {
  if (!args.Password.empty()) TSession::Default().AddPassword(args.Password);
  auto table = std::make_unique<TTable>();
  table->SetTableName(args.Path);
  table->SetReadOnly(true);
  table->Open();
  return table;
}

}  // namespace lw::cli
