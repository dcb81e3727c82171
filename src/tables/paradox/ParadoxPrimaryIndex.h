#pragma once

// The .px primary index of a keyed table: a B-tree over the table's data blocks. Level-1
// entries hold the key of the first record of a data block, the block number and its record
// count; upper levels point at index blocks the same way. We lay the tree out root first
// (block 1), then each lower level, so the whole file follows from the entry count alone and
// a changed record count can be patched in place, and an entry added at the end is written
// in place as long as the upper levels keep their number of blocks.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ParadoxFormat.h"
#include "ParadoxMap.h"
#include "PosixFile.h"

namespace lw::paradox {

struct TPrimaryIndexSpec {
  std::vector<TPxField> KeyFields;  // leading fields of the table
  int KeySize = 0;
  uint8_t BlockCode = 4;  // block size / 1024
  uint8_t Version = 12;
  uint8_t SortOrder = 0;
  std::string TableName;  // stored in the header
};

class TPrimaryIndexFile {
 public:
  // Level-1 entry `i`: its data block, record count and key bytes (KeySize of them).
  using TEntry =
      std::function<void(size_t i, uint16_t& block, uint16_t& count, const uint8_t*& key)>;
  // Records in level-1 entries [first, last).
  using TSum = std::function<int64_t(size_t first, size_t last)>;

  TPrimaryIndexFile(std::string path, TPrimaryIndexSpec layout);
  const std::string& Path() const { return FPath; }

  // Writes the whole index for `n` level-1 entries.
  void Rewrite(size_t n, const TEntry& entry, const TSum& sum);
  // Patches the counts on the path from level-1 entry `i` to the root, for an index written
  // by Rewrite with the same `n`.
  void UpdateCount(size_t n, size_t i, const TSum& sum);
  // Adds level-1 entry `n` (the last) to an index written by Rewrite for `n` entries and
  // patches the counts above it. False when the upper levels would change shape: the caller
  // rewrites the index instead. `following`: this call follows an AppendEntry that succeeded
  // under the same writer lock, so the file is known to be as that one left it.
  bool AppendEntry(size_t n, const TEntry& entry, const TSum& sum, bool following = false);

 private:
  struct TLayout {
    std::vector<size_t> Entries;  // per level, level 1 first
    std::vector<size_t> Blocks;
    std::vector<size_t> Start;  // first block number of each level
    size_t TotalBlocks = 0;
    size_t TotalEntries = 0;
  };
  TLayout Layout(size_t n) const;
  TPosixFile& File(bool create = false);
  uint8_t* Mapped(size_t size);
  size_t FileSize(const TLayout& l) const;
  uint8_t* EntryAt(uint8_t* file, size_t blockNo, size_t slot) const;
  void PutCounts(const TLayout& l, size_t n, size_t i, const TSum& sum, uint8_t* file);
  std::vector<uint8_t> Header(const TLayout& layout) const;

  std::string FPath;
  TPosixFile FFile;  // kept open for count updates while it is still the file at FPath
  // The whole file, once written: counts change with every stored record and are patched
  // through the mapping without a system call.
  TMappedRange FMap;
  size_t FMapSize = 0;
  TPrimaryIndexSpec FSpec;
  size_t FBlockSize;
  size_t FRecordSize;
  size_t FPerBlock;
};

}  // namespace lw::paradox
