#include "ParadoxPrimaryIndex.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "DatabaseError.h"
#include "ParadoxValues.h"
#include "PosixFile.h"

namespace lw::paradox {

namespace {
constexpr size_t kIndexHeaderSize = 0x800;

uint16_t ClampCount(int64_t v) {
  return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 32767));
}
}  // namespace

TPrimaryIndexFile::TPrimaryIndexFile(std::string path, TPrimaryIndexSpec layout)
    : FPath(std::move(path)), FSpec(std::move(layout)) {
  FBlockSize = FSpec.BlockCode * 1024u;
  FRecordSize = FSpec.KeySize + 6;
  FPerBlock = (FBlockSize - kBlockHeaderSize) / FRecordSize;
  if (FPerBlock < 2) ThrowTableError(FPath, "key too long for the index block size");
}

TPrimaryIndexFile::TLayout TPrimaryIndexFile::Layout(size_t n) const {
  TLayout l;
  size_t entries = n;
  while (entries > 0) {
    size_t blocks = (entries + FPerBlock - 1) / FPerBlock;
    l.Entries.push_back(entries);
    l.Blocks.push_back(blocks);
    l.TotalEntries += entries;
    l.TotalBlocks += blocks;
    if (blocks == 1) break;
    entries = blocks;
  }
  l.Start.resize(l.Blocks.size());
  size_t next = 1;
  for (size_t level = l.Blocks.size(); level-- > 0;) {
    l.Start[level] = next;
    next += l.Blocks[level];
  }
  return l;
}

std::vector<uint8_t> TPrimaryIndexFile::Header(const TLayout& l) const {
  std::vector<uint8_t> h(kIndexHeaderSize, 0);
  const size_t k = FSpec.KeyFields.size();
  PutU16(&h[hdr::kRecordSize], static_cast<uint16_t>(FRecordSize));
  PutU16(&h[hdr::kHeaderSize], kIndexHeaderSize);
  h[hdr::kFileType] = kPrimaryIndex;
  h[hdr::kBlockCode] = FSpec.BlockCode;
  PutU32(&h[hdr::kNumRecords], static_cast<uint32_t>(l.TotalEntries));
  PutU16(&h[hdr::kBlocksInUse], static_cast<uint16_t>(l.TotalBlocks));
  PutU16(&h[hdr::kFileBlocks], static_cast<uint16_t>(l.TotalBlocks));
  PutU16(&h[hdr::kFirstBlock], l.TotalBlocks ? 1 : 0);
  PutU16(&h[hdr::kLastBlock], static_cast<uint16_t>(l.TotalBlocks));
  PutU16(&h[hdr::kChangeCount], 1);
  PutU16(&h[hdr::kIndexRoot], 1);
  h[hdr::kIndexLevels] = static_cast<uint8_t>(l.Blocks.size());
  PutU16(&h[hdr::kNumFields], static_cast<uint16_t>(k));
  h[hdr::kSortOrder] = FSpec.SortOrder;
  h[hdr::kVersion] = FSpec.Version;
  PutU16(&h[hdr::kMaxBlocks], static_cast<uint16_t>(l.TotalBlocks));
  PutU32(&h[hdr::kAutoInc], 1);
  const size_t nameLen = FSpec.Version >= 12 ? 261 : 79;
  PutU16(&h[hdr::kRealHeaderSize], static_cast<uint16_t>(hdr::kFixedEnd + 2 * k + 4 + nameLen));
  size_t pos = hdr::kFixedEnd;
  for (const TPxField& f : FSpec.KeyFields) {
    h[pos++] = f.Type;
    h[pos++] = f.SizeByte;
  }
  pos += 4;
  std::memcpy(&h[pos], FSpec.TableName.data(), std::min(FSpec.TableName.size(), nameLen - 1));
  return h;
}

void TPrimaryIndexFile::Rewrite(size_t n, const TEntry& entry, const TSum& sum) {
  const TLayout l = Layout(n);
  if (l.TotalBlocks > 0xFFFF) ThrowTableError(FPath, "primary index is too large");
  std::vector<uint8_t> file = Header(l);
  file.resize(kIndexHeaderSize + l.TotalBlocks * FBlockSize, 0);
  const size_t keySize = FSpec.KeySize;
  size_t span = 1;  // level-1 entries under one entry of the current level
  for (size_t level = 0; level < l.Blocks.size(); ++level) {
    for (size_t b = 0; b < l.Blocks[level]; ++b) {
      const size_t blockNo = l.Start[level] + b;
      uint8_t* block = &file[kIndexHeaderSize + (blockNo - 1) * FBlockSize];
      const size_t first = b * FPerBlock;
      const size_t count = std::min(FPerBlock, l.Entries[level] - first);
      PutU16(block + 0, static_cast<uint16_t>(blockNo < l.TotalBlocks ? blockNo + 1 : 0));
      PutU16(block + 2, static_cast<uint16_t>(blockNo - 1));
      PutU16(block + 4, static_cast<uint16_t>((count - 1) * FRecordSize));
      for (size_t s = 0; s < count; ++s) {
        const size_t idx = first + s;  // entry index within this level
        uint8_t* rec = block + kBlockHeaderSize + s * FRecordSize;
        uint16_t dataBlock = 0, dataCount = 0;
        const uint8_t* key = nullptr;
        entry(idx * span, dataBlock, dataCount, key);
        std::memcpy(rec, key, keySize);
        const uint16_t target =
            level == 0 ? dataBlock : static_cast<uint16_t>(l.Start[level - 1] + idx);
        const int64_t records =
            level == 0 ? dataCount : sum(idx * span, std::min(n, (idx + 1) * span));
        PutIntLike(rec + keySize, 2, target);
        PutIntLike(rec + keySize + 2, 2, ClampCount(records));
        PutIntLike(rec + keySize + 4, 2, 0);
      }
    }
    span *= FPerBlock;
  }
  // Written over the old contents in place: replacing the file through a rename makes the
  // file system flush it, which costs more than the whole index.
  TPosixFile& f = File(/*create=*/true);
  f.WriteAt(0, file.data(), file.size());
  if (f.Size() > file.size()) f.Truncate(file.size());
  Mapped(file.size());
}

// The open index file, reopened when another writer has replaced it since.
TPosixFile& TPrimaryIndexFile::File(bool create) {
  struct stat st {};
  if (!FFile.IsOpen() || ::fstat(FFile.Fd(), &st) != 0 || st.st_nlink == 0) {
    FMap.Unmap();
    FMapSize = 0;
    FFile = !create || ::stat(FPath.c_str(), &st) == 0
                ? TPosixFile(FPath, TPosixFile::Mode::ReadWrite)
                : TPosixFile(FPath, TPosixFile::Mode::Create);
  }
  return FFile;
}

// The first `size` bytes of the open file, mapped.
uint8_t* TPrimaryIndexFile::Mapped(size_t size) {
  if (!FMap.Mapped() || FMapSize != size) {
    FMap.Map(FFile.Fd(), 0, size, FPath);
    FMapSize = size;
  }
  return FMap.Data();
}

size_t TPrimaryIndexFile::FileSize(const TLayout& l) const {
  return kIndexHeaderSize + l.TotalBlocks * FBlockSize;
}

uint8_t* TPrimaryIndexFile::EntryAt(uint8_t* file, size_t blockNo, size_t slot) const {
  return file + kIndexHeaderSize + (blockNo - 1) * FBlockSize + kBlockHeaderSize +
         slot * FRecordSize;
}

// The counts on the path from level-1 entry `i` to the root.
void TPrimaryIndexFile::PutCounts(const TLayout& l, size_t n, size_t i, const TSum& sum,
                                  uint8_t* file) {
  size_t span = 1;
  for (size_t level = 0; level < l.Blocks.size(); ++level) {
    const size_t idx = i / span;
    uint8_t* e = EntryAt(file, l.Start[level] + idx / FPerBlock, idx % FPerBlock);
    PutIntLike(e + FSpec.KeySize + 2, 2,
               ClampCount(sum(idx * span, std::min(n, (idx + 1) * span))));
    span *= FPerBlock;
  }
}

void TPrimaryIndexFile::UpdateCount(size_t n, size_t i, const TSum& sum) {
  const TLayout l = Layout(n);
  // Our own mapping of a file of the expected size needs no check: it is only replaced when
  // the table is created again, and the next new block finds that out.
  if (!FMap.Mapped() || FMapSize != FileSize(l)) {
    TPosixFile& f = File();
    if (f.Size() != FileSize(l)) ThrowTableError(FPath, "primary index has an unexpected size");
    Mapped(FileSize(l));
  }
  PutCounts(l, n, i, sum, FMap.Data());
}

bool TPrimaryIndexFile::AppendEntry(size_t n, const TEntry& entry, const TSum& sum,
                                    bool following) {
  if (n == 0) return false;
  const TLayout before = Layout(n), after = Layout(n + 1);
  if (before.Blocks.size() != after.Blocks.size() || after.TotalBlocks > 0xFFFF) return false;
  for (size_t level = 1; level < after.Blocks.size(); ++level)
    if (before.Blocks[level] != after.Blocks[level]) return false;
  const bool newBlock = n % FPerBlock == 0;
  if (newBlock && after.Blocks.size() > 1 && (n / FPerBlock) % FPerBlock == 0) return false;
  TPosixFile& f = following ? FFile : File();
  if (!following && f.Size() != FileSize(before)) return false;  // not the file we wrote
  if (FileSize(after) > FileSize(before)) f.Truncate(FileSize(after));
  uint8_t* file = Mapped(FileSize(after));

  uint16_t dataBlock = 0, dataCount = 0;
  const uint8_t* key = nullptr;
  entry(n, dataBlock, dataCount, key);
  auto put = [&](uint8_t* e, size_t target) {
    std::memcpy(e, key, FSpec.KeySize);
    PutIntLike(e + FSpec.KeySize, 2, static_cast<uint16_t>(target));
    PutIntLike(e + FSpec.KeySize + 2, 2, 0);
    PutIntLike(e + FSpec.KeySize + 4, 2, 0);
  };
  auto setCount = [&](size_t blockNo, size_t entries) {
    PutU16(file + kIndexHeaderSize + (blockNo - 1) * FBlockSize + 4,
           static_cast<uint16_t>((entries - 1) * FRecordSize));
  };
  // Level 1 lies last in the file: a new block of it is linked after the old last block.
  const size_t block1 = after.Start[0] + n / FPerBlock;
  put(EntryAt(file, block1, n % FPerBlock), dataBlock);
  if (newBlock) {
    uint8_t* head = file + kIndexHeaderSize + (block1 - 1) * FBlockSize;
    PutU16(head + 0, 0);
    PutU16(head + 2, static_cast<uint16_t>(block1 - 1));
    PutU16(head - FBlockSize, static_cast<uint16_t>(block1));
    if (after.Blocks.size() > 1) {
      // The new block's entry one level up, keyed by its first key.
      const size_t idx = n / FPerBlock;
      const size_t block2 = after.Start[1] + idx / FPerBlock;
      put(EntryAt(file, block2, idx % FPerBlock), after.Start[0] + idx);
      setCount(block2, idx % FPerBlock + 1);
    }
  }
  setCount(block1, n % FPerBlock + 1);
  PutCounts(after, n + 1, n, sum, file);
  PutU32(file + hdr::kNumRecords, static_cast<uint32_t>(after.TotalEntries));
  const auto blocks = static_cast<uint16_t>(after.TotalBlocks);
  PutU16(file + hdr::kBlocksInUse, blocks);
  PutU16(file + hdr::kFileBlocks, blocks);
  PutU16(file + hdr::kLastBlock, blocks);
  PutU16(file + hdr::kMaxBlocks, blocks);
  return true;
}

}  // namespace lw::paradox
