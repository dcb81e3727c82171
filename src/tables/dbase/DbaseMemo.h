#pragma once

// The memo file next to a .dbf: dBase III and IV .dbt files and FoxPro .fpt files.

#include <cstdint>
#include <string>
#include <string_view>

#include "DbaseFormat.h"
#include "PosixFile.h"

namespace lw::dbase {

class TDbaseMemoFile {
 public:
  TDbaseMemoFile(const std::string& path, TMemoKind kind, bool writable);

  const std::string& Path() const { return FFile.Path(); }
  TMemoKind Kind() const { return FKind; }
  uint32_t BlockSize() const { return FBlockSize; }

  // Data of the memo that starts at `block`; throws EDatabaseError for a block past the end
  // or an entry that runs past it.
  std::string Read(uint64_t block) const;

  // Stores `data` after the last memo and returns its first block. The caller holds the
  // table's write lock, which serialises the memo file's writers as well.
  uint64_t Append(std::string_view data);

  // Writes an empty memo file (dBase III or dBase IV layout) for the table `tableName`.
  static void Create(const std::string& path, TMemoKind kind, const std::string& tableName);

 private:
  std::string ReadTerminated(uint64_t offset, uint64_t fileSize) const;
  [[noreturn]] void Fail(const std::string& reason) const;

  TPosixFile FFile;
  TMemoKind FKind;
  uint32_t FBlockSize = 512;
};

// Finds the memo file of a table: the table's name with .dbt, .fpt (or .dct for a FoxPro
// database container), compared without regard to case. Empty when there is none.
std::string FindMemoFile(const std::string& tablePath, TMemoKind kind);

// Name for the memo file of a table we create: .dbt, upper case when the table's extension is.
std::string MemoFileNameFor(const std::string& tablePath);

}  // namespace lw::dbase
