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

TPrimaryIndexFile::TPrimaryIndexFile(std::string path, TPrimaryIndexSpec spec)
    : FPath(std::move(path)), FSpec(std::move(spec)) {
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
  struct stat st {};
  if (!FFile.IsOpen() || ::fstat(FFile.Fd(), &st) != 0 || st.st_nlink == 0)
    FFile = ::stat(FPath.c_str(), &st) == 0 ? TPosixFile(FPath, TPosixFile::Mode::ReadWrite)
                                            : TPosixFile(FPath, TPosixFile::Mode::Create);
  FFile.WriteAt(0, file.data(), file.size());
  if (FFile.Size() > file.size()) FFile.Truncate(file.size());
}

// The open index file, reopened when another writer has replaced it since.
TPosixFile& TPrimaryIndexFile::File() {
  struct stat st {};
  if (!FFile.IsOpen() || ::fstat(FFile.Fd(), &st) != 0 || st.st_nlink == 0)
    FFile = TPosixFile(FPath, TPosixFile::Mode::ReadWrite);
  return FFile;
}

void TPrimaryIndexFile::UpdateCount(size_t n, size_t i, const TSum& sum) {
  const TLayout l = Layout(n);
  TPosixFile& f = File();
  size_t span = 1;
  for (size_t level = 0; level < l.Blocks.size(); ++level) {
    const size_t idx = i / span;
    const size_t blockNo = l.Start[level] + idx / FPerBlock;
    const size_t slot = idx % FPerBlock;
    uint8_t value[2];
    PutIntLike(value, 2, ClampCount(sum(idx * span, std::min(n, (idx + 1) * span))));
    f.WriteAt(kIndexHeaderSize + (blockNo - 1) * FBlockSize + kBlockHeaderSize +
                  slot * FRecordSize + FSpec.KeySize + 2,
              value, 2);
    span *= FPerBlock;
  }
}

}  // namespace lw::paradox
