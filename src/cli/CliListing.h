#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "CliTable.h"
#include "CsvWriter.h"

namespace lw::cli {

// `search --list`: the found rows as CSV on a stream while the search runs - the header
// first, then, at each call, the records the worker has posted since the last one. The
// result table is read through its own cursor (the one the program's grid reads through),
// never the worker's.
class TResultListing {
 public:
  TResultListing(TTable& results, bool raw, std::FILE* out);

  // Writes the records posted since the last call and hands them to the stream at once, so
  // that a reader sees each row when it is found. Never throws: a failed write (a reader
  // that went away, a full disk) is kept, and the listing writes nothing more.
  void CatchUp();
  void Flush();
  bool Failed() const { return !FError.empty(); }
  const std::string& Error() const { return FError; }

 private:
  TTable& FResults;
  TOutputText FText;
  TCsvWriter FCsv;
  int64_t FListed = 0;
  std::string FError;
};

}  // namespace lw::cli
