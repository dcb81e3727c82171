// `dump`: a table's records as CSV, for scripts and for comparing tables.
#include <cstdio>

#include "CliTable.h"
#include "Commands.h"
#include "CsvWriter.h"

namespace lw::cli {

int RunDump(const std::vector<std::string>& args) {
  const TCommandSpec commandSpec = TableCommandSpec("dump");
  const TTableArgs parsed = ParseTableArgs(args, commandSpec);
  if (parsed.Help) return PrintHelp(commandSpec);
  std::unique_ptr<TTable> table = OpenTableForReading(parsed);
  TOutputText text(*table, parsed.Raw);
  TCsvWriter csv(stdout);
  const int fields = table->FieldCount();
  for (int i = 0; i < fields; ++i) csv.Field(text(table->Fields(i).FieldName()));
  csv.EndRow();
  // FieldText gives "" for null, which is what the CSV shows for it.
  for (table->First(); !table->Eof(); table->Next()) {
    for (int i = 0; i < fields; ++i) csv.Field(text.Field(table->Fields(i), table->FieldText(i)));
    csv.EndRow();
  }
  csv.Flush();
  return 0;
}

}  // namespace lw::cli
