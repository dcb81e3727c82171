// `info`: what a table is made of, for people.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CliTable.h"
#include "Commands.h"

namespace lw::cli {

namespace {

std::string IndexOptions(int options) {
  std::string s;
  auto add = [&s](const char* word) { s += s.empty() ? word : std::string(", ") + word; };
  if (options & ixPrimary) add("primary");
  if (options & ixUnique) add("unique");
  if (options & ixDescending) add("descending");
  if (options & ixCaseInsensitive) add("case-insensitive");
  return s;
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  const TCommandSpec commandSpec = TableCommandSpec("info");
  const TTableArgs parsed = ParseTableArgs(args, commandSpec);
  if (parsed.Help) return PrintHelp(commandSpec);
  std::unique_ptr<TTable> table = OpenTableForReading(parsed);
  TOutputText text(*table, parsed.Raw);
  const TTableFileInfo info = table->FileInfo();
  table->FieldDefs().Update();
  table->IndexDefs().Update();

  std::printf("Table:       %s\n", table->FullPath().c_str());
  std::printf("Format:      %s\n", info.Format.c_str());
  std::printf("Encrypted:   %s\n", info.Encrypted ? "yes" : "no");
  if (info.CodePage)
    std::printf("Code page:   %d\n", info.CodePage);
  else
    std::printf("Code page:   none recorded\n");
  std::printf("Records:     %lld\n", static_cast<long long>(table->RecordCount()));
  std::printf("Record size: %d bytes\n", info.RecordSize);
  if (info.BlockSize) std::printf("Block size:  %d bytes\n", info.BlockSize);
  if (info.Keyed) std::printf("Primary key: %d field(s)\n", info.KeyFieldCount);

  // Names as written, and their widths in characters (UTF-8 takes more bytes than columns).
  const TFieldDefs& defs = table->FieldDefs();
  std::vector<std::string> names;
  size_t nameWidth = 4;
  for (const TFieldDef& d : defs.Items()) {
    names.emplace_back(text(d.Name));
    nameWidth = std::max(nameWidth, d.Name.size());
  }
  auto padded = [nameWidth](const std::string& name, size_t columns) {
    return name + std::string(nameWidth > columns ? nameWidth - columns : 0, ' ');
  };
  std::printf("Fields:      %d\n", defs.Count());
  std::printf("  %3s  %s  %-10s  %s\n", "Pos", padded("Name", 4).c_str(), "Type", "Size");
  for (int i = 0; i < defs.Count(); ++i) {
    const TFieldDef& d = defs[i];
    std::printf("  %3d  %s  %-10s  %d\n", i,
                padded(names[static_cast<size_t>(i)], d.Name.size()).c_str(),
                FieldTypeName(d.DataType), d.Size);
  }
  const int w = static_cast<int>(nameWidth);
  const TIndexDefs& indexes = table->IndexDefs();
  if (indexes.Count() > 0) {
    std::printf("Indexes:     %d\n", indexes.Count());
    for (const TIndexDef& x : indexes.Items())
      std::printf("  %-*s  on %s (%s)\n", w,
                  x.Name.empty() ? "(primary)" : std::string(text(x.Name)).c_str(),
                  std::string(text(x.Fields)).c_str(), IndexOptions(x.Options).c_str());
  }
  if (std::fflush(stdout) != 0) throw std::runtime_error("cannot write the output");
  return 0;
}

}  // namespace lw::cli
