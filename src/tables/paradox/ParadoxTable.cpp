#include "ParadoxTable.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "DatabaseError.h"
#include "NulText.h"
#include "ParadoxCrypt.h"
#include "ParadoxFiles.h"
#include "ParadoxValues.h"

namespace lw::paradox {

namespace {

constexpr size_t kChunkBytes = 1 << 20;  // one read of consecutive blocks
constexpr size_t kMaxHeader = 0x10000;
constexpr size_t kPrefetchRecords = 4;   // how far ahead a scan of mapped records reads
constexpr size_t kPrefetchBytes = 1024;  // of each record

}  // namespace

TParadoxTable::TParadoxTable(const std::string& path, const TOpenOptions& opt)
    : FPath(path), FExclusive(opt.Exclusive) {
  FWritable = !opt.ReadOnly && ::access(path.c_str(), W_OK) == 0;
  FFile = TPosixFile(path, FWritable ? TPosixFile::Mode::ReadWrite : TPosixFile::Mode::Read);
  // A read-only descriptor cannot hold the exclusive lock; the shared one still keeps
  // exclusive openers out.
  if (opt.Exclusive && FWritable)
    FFile.LockExclusive();
  else
    FFile.LockShared();

  std::vector<uint8_t> head(std::min<uint64_t>(FFile.Size(), kMaxHeader));
  FFile.ReadAt(0, head.data(), head.size());
  StableCounterBytes(head.data(), std::min<size_t>(head.size(), hdr::kExtEnd));
  // A writer appends a block before the header counts it, so the size taken after the header
  // holds every block the header lists; taken before, a block appended in between looks like a
  // truncated file.
  ParseHeader(path, head.data(), head.size(), FFile.Size(), FHdr);
  FHead.assign(head.begin(), head.begin() + (FHdr.HasExtension ? hdr::kExtEnd : hdr::kFixedEnd));

  if (FHdr.Encryption) {
    bool ok = false;
    for (const std::string& p : opt.Passwords) ok = ok || PasswordChecksum(p) == FHdr.Encryption;
    if (!ok) ThrowTableError(path, kPasswordMissing);
  }

  for (const TPxField& f : FHdr.Fields) {
    TFieldDef d;
    d.Name = f.Name;
    d.DataType = f.DataType;
    if (f.Type == pxAlpha || f.Type == pxBytes || f.Type == pxBcd)
      d.Size = f.SizeByte;
    else if (IsBlobPxType(f.Type))
      d.Size = f.Width - kBlobDescriptor;
    FFieldDefs.push_back(d);
  }
  for (const TPxField& f : FHdr.Fields)
    FTextSlots.push_back({static_cast<uint32_t>(f.Offset),
                          f.Type == pxAlpha ? static_cast<uint32_t>(f.Width) : 0u,
                          static_cast<uint32_t>(std::max(0, FHdr.RecordSize - f.Offset))});
  for (size_t i = 0; i < FHdr.Fields.size(); ++i) {
    const uint8_t type = FHdr.Fields[i].Type;
    (type == pxAutoInc    ? FAutoIncFields
     : IsBlobPxType(type) ? FBlobFields
                          : FScalarFields)
        .push_back(static_cast<uint16_t>(i));
  }
  for (int i = 0; i < FHdr.KeyFields; ++i) FKeySize += FHdr.Fields[i].Width;
  FPerBlock = (FHdr.BlockSize - kBlockHeaderSize) / FHdr.RecordSize;
  FVisited.assign(FHdr.Counts.FileBlocks + 1u, 0);
  FChunk.resize(std::max<size_t>(kChunkBytes / FHdr.BlockSize, 1) * FHdr.BlockSize);
  FChunkPlain.resize(FChunk.size() / FHdr.BlockSize);
  CoverFile();
}

// Writers change blocks in place and encrypted blocks need a decrypted copy anyway: only
// plain tables opened read-only are mapped. Our own writers only ever grow a table that
// others hold open; pages lost to anything else (a damaged disc, another program shrinking
// the file) read as zeros and mark the view damaged, which MappedReadFailed reports.
void TParadoxTable::CoverFile() {
  if (!FWritable && !FHdr.Encryption && FView.Cover(FFile.Fd(), FFile.Size())) InvalidateCache();
}

// The error a read of the same bytes through the file would have given.
void TParadoxTable::MappedReadFailed(uint16_t block, size_t len) const {
  uint64_t size = 0;
  try {
    size = FFile.Size();
  } catch (const EDatabaseError&) {
  }
  if (size < FView.Size() || size < BlockOffset(block) + len)
    ThrowTableError(FPath, "file is truncated (block " + std::to_string(block) + ")");
  ThrowTableError(FPath, "read error: " + std::string(std::strerror(EIO)));
}

void TParadoxTable::Damaged(const std::string& why) const {
  ThrowTableError(FPath, "damaged table (" + why + ")");
}

const TPxField& TParadoxTable::FieldAt(int i) const {
  if (i < 0 || i >= static_cast<int>(FHdr.Fields.size()))
    ThrowTableError(FPath, "field number " + std::to_string(i) + " out of range");
  return FHdr.Fields[i];
}

uint64_t TParadoxTable::BlockOffset(uint32_t block) const {
  return FHdr.HeaderSize + uint64_t{block - 1} * FHdr.BlockSize;
}

std::vector<TIndexDef> TParadoxTable::Indexes() const {
  std::vector<TIndexDef> out;
  if (FHdr.KeyFields > 0) {
    TIndexDef primary;
    for (int i = 0; i < FHdr.KeyFields; ++i) primary.Fields += (i ? ";" : "") + FHdr.Fields[i].Name;
    primary.Options = ixPrimary | ixUnique;
    out.push_back(primary);
  }
  for (const std::string& file : FindSecondaryIndexes(FPath)) {
    try {
      TPosixFile f(file, TPosixFile::Mode::Read);
      const uint64_t size = f.Size();
      std::vector<uint8_t> head(std::min<uint64_t>(size, kMaxHeader));
      f.ReadAt(0, head.data(), head.size());
      TPxHeader h;
      ParseHeader(file, head.data(), head.size(), size, h, true);
      TIndexDef def;
      if (h.FileType == kSecondaryX || h.FileType == kSecondaryXInc) {
        if (h.IndexFieldNumber < 1 || h.IndexFieldNumber > static_cast<int>(FHdr.Fields.size()))
          continue;
        def.Name = FHdr.Fields[h.IndexFieldNumber - 1].Name;
        def.Fields = def.Name;
      } else {
        // Composite index: its own fields, then the table's key fields and a block hint.
        std::vector<std::string> names;
        for (const TPxField& f : h.Fields) names.push_back(f.Name);
        auto isHint = [](const std::string& n) {
          return n == "Blk Num" || n == "Tup No" || n == "Tup Offset" || n == "Hint";
        };
        while (!names.empty() && isHint(names.back())) names.pop_back();
        if (FHdr.KeyFields > 0 && names.size() > static_cast<size_t>(FHdr.KeyFields)) {
          bool trailingKey = true;
          for (int k = 0; k < FHdr.KeyFields; ++k)
            trailingKey =
                trailingKey && names[names.size() - FHdr.KeyFields + k] == FHdr.Fields[k].Name;
          if (trailingKey) names.resize(names.size() - FHdr.KeyFields);
        }
        if (names.empty()) continue;
        def.Name = h.IndexName.empty() ? names.front() : h.IndexName;
        for (size_t i = 0; i < names.size(); ++i) def.Fields += (i ? ";" : "") + names[i];
      }
      if ((h.IndexDirection & 0x10) != 0) def.Options |= ixDescending;
      out.push_back(def);
    } catch (const EDatabaseError&) {
      // A damaged or foreign index file does not make the table unreadable.
    }
  }
  return out;
}

TTableFileInfo TParadoxTable::Info() const {
  TTableFileInfo info;
  info.Format = VersionName(FHdr.Version);
  info.CodePage = FHdr.CodePage;
  info.Encrypted = FHdr.Encryption != 0;
  info.Keyed = FHdr.KeyFields > 0;
  info.KeyFieldCount = FHdr.KeyFields;
  info.RecordSize = FHdr.RecordSize;
  info.BlockSize = static_cast<int>(FHdr.BlockSize);
  return info;
}

// --- counters and the block index ---

// Reads the counters until two reads agree: a writer in another process stores them while
// we read, and a copy taken in the middle of its stores could mix old and new bytes.
void TParadoxTable::StableCounterBytes(uint8_t* head, size_t n) {
  uint8_t again[hdr::kExtEnd];
  if (n == 0) return;
  for (int attempt = 0; attempt < 10; ++attempt) {
    FFile.ReadAt(0, again, n);
    if (std::memcmp(again, head, n) == 0) return;
    std::memcpy(head, again, n);
  }
}

TPxCounts TParadoxTable::ReadCounts() {
  FFile.ReadAt(0, FHead.data(), FHead.size());
  StableCounterBytes(FHead.data(), FHead.size());
  TPxCounts c = ParseCounts(FHead.data(), FHdr.HasExtension);
  const uint64_t size = FFile.Size();
  const uint64_t physical =
      (size - std::min<uint64_t>(size, FHdr.HeaderSize) + FHdr.BlockSize - 1) / FHdr.BlockSize;
  if (c.FileBlocks > physical) ThrowTableError(FPath, "file is truncated (blocks missing)");
  if (c.FirstBlock > c.FileBlocks || c.LastBlock > c.FileBlocks)
    Damaged("block number past the last block");
  if (c.NumRecords > uint64_t{FPerBlock} * c.FileBlocks || (c.NumRecords > 0 && c.FirstBlock == 0))
    Damaged("record count does not fit the blocks");
  return c;
}

void TParadoxTable::ApplyCounts(const TPxCounts& c) {
  const TPxCounts& old = FHdr.Counts;
  if (c == old) return;
  // Appends only touch the last block and add blocks after it; anything else changes the
  // stamp (files without the header extension have none: rebuild on every change).
  const bool tailOnly = FHdr.HasExtension && c.Stamp == old.Stamp &&
                        c.FirstBlock == old.FirstBlock && c.NumRecords >= old.NumRecords &&
                        c.FileBlocks >= old.FileBlocks;
  FHdr.Counts = c;
  FVisited.resize(c.FileBlocks + 1u, 0);
  if (tailOnly) {
    if (!FBlocks.empty()) DropLastIndexEntry();
    FChainEnd = false;
  } else {
    ResetIndex();
  }
  InvalidateCache();
}

void TParadoxTable::ResetIndex() {
  FBlocks.clear();
  FKeys.clear();
  std::fill(FVisited.begin(), FVisited.end(), 0);
  FVisited.resize(FHdr.Counts.FileBlocks + 1u, 0);
  FIndexed = 0;
  FChainEnd = false;
  FEmptyBlocks = 0;
  InvalidateCache();
}

void TParadoxTable::DropLastIndexEntry() {
  const TBlockRef& last = FBlocks.back();
  FIndexed -= last.Count;
  if (last.Count == 0) --FEmptyBlocks;
  if (last.Block < FVisited.size()) FVisited[last.Block] = 0;
  FBlocks.pop_back();
  if (FKeySize) FKeys.resize(FBlocks.size() * FKeySize);
  FChainEnd = false;
  InvalidateCache();
}

void TParadoxTable::InvalidateCache() {
  FChunkCount = 0;
  FCurFirst = FCurEnd = 0;
  FCurData = nullptr;
}

void TParadoxTable::Refresh() {
  ApplyCounts(ReadCounts());
  CoverFile();
  if (FBlob) FBlob->DropCache();
}

// Reads the first `n` bytes of a block, decrypted.
void TParadoxTable::ReadBlockHead(uint16_t block, uint8_t* out, size_t n) {
  if (const uint8_t* mapped = FView.At(BlockOffset(block), n)) {
    std::memcpy(out, mapped, n);
    if (FView.Damaged()) MappedReadFailed(block, n);
    return;
  }
  if (block >= FChunkFirst && block < FChunkFirst + FChunkCount &&
      (block - FChunkFirst) * size_t{FHdr.BlockSize} + n <= FChunkBytes) {
    const size_t k = block - FChunkFirst;
    uint8_t* data = &FChunk[k * FHdr.BlockSize];
    if (FHdr.Encryption && !FChunkPlain[k]) {
      DecryptDataBlock(data, FHdr.BlockSize, FHdr.Encryption, block);
      FChunkPlain[k] = 1;
    }
    std::memcpy(out, data, n);
    return;
  }
  if (!FHdr.Encryption) {
    FFile.ReadAt(BlockOffset(block), out, n);
    return;
  }
  const size_t span = (n + kCryptChunk - 1) / kCryptChunk * kCryptChunk;
  FWork2.assign(std::max(FWork2.size(), span), 0);
  if (FFile.ReadSome(BlockOffset(block), FWork2.data(), span) < n)
    ThrowTableError(FPath, "file is truncated (block " + std::to_string(block) + ")");
  DecryptDataBlock(FWork2.data(), span, FHdr.Encryption, block);
  std::memcpy(out, FWork2.data(), n);
}

uint16_t TParadoxTable::BlockCount(uint16_t block, const uint8_t* head) const {
  const int add = static_cast<int16_t>(GetU16(head + 4));
  if (add < 0) return 0;
  if (add % FHdr.RecordSize != 0 || add + FHdr.RecordSize + kBlockHeaderSize > FHdr.BlockSize)
    Damaged("block " + std::to_string(block) + " has an impossible record count");
  return static_cast<uint16_t>(add / FHdr.RecordSize + 1);
}

// Adds the next block of the chain to the index; false at the end of the chain.
bool TParadoxTable::ExtendIndex() {
  if (FChainEnd) return false;
  const uint16_t next = FBlocks.empty() ? FHdr.Counts.FirstBlock : FBlocks.back().Next;
  if (next == 0) {
    FChainEnd = true;
    return false;
  }
  if (next > FHdr.Counts.FileBlocks)
    Damaged("block chain points to block " + std::to_string(next) + " past the last block " +
            std::to_string(FHdr.Counts.FileBlocks));
  if (FVisited[next]) Damaged("block chain loops at block " + std::to_string(next));
  uint8_t stackHead[64];
  std::vector<uint8_t> bigHead;
  uint8_t* head = stackHead;
  const size_t n = kBlockHeaderSize + FKeySize;
  if (n > sizeof stackHead) {
    bigHead.resize(n);
    head = bigHead.data();
  }
  TBlockRef r;
  r.Block = next;
  // A writer in another process may be storing this very header: a count that makes no sense
  // is read again before the block is called damaged.
  for (int attempt = 0;; ++attempt) {
    ReadBlockHead(next, head, n);
    try {
      r.Count = BlockCount(next, head);
      break;
    } catch (const EDatabaseError&) {
      if (attempt == 2) throw;
      InvalidateCache();
    }
  }
  r.Next = GetU16(head);
  r.First = FIndexed;
  if (next == FHdr.Counts.LastBlock) {
    // The header is the authority on what was stored: a writer that died between its stores
    // can leave the last block counting a record, or linking a new block, that the header
    // never counted. Neither exists; the next store takes their place.
    r.Count = static_cast<uint16_t>(
        std::min<int64_t>(r.Count, std::max<int64_t>(0, FHdr.Counts.NumRecords - FIndexed)));
    if (r.Next > FHdr.Counts.FileBlocks) r.Next = 0;
  }
  FVisited[next] = 1;
  FBlocks.push_back(r);
  if (FKeySize) FKeys.insert(FKeys.end(), head + kBlockHeaderSize, head + n);
  if (r.Count == 0) ++FEmptyBlocks;
  FIndexed += r.Count;
  return true;
}

void TParadoxTable::ExtendIndexToEnd() {
  while (ExtendIndex()) {
  }
}

size_t TParadoxTable::FindBlock(int64_t recNo) {
  const size_t next = FCurIndex + 1;
  if (FCurData && next < FBlocks.size() && recNo >= FBlocks[next].First &&
      recNo < FBlocks[next].First + FBlocks[next].Count)
    return next;
  bool retried = false;
  while (FIndexed <= recNo) {
    if (ExtendIndex()) continue;
    // The last block's count may have been read while a writer stored it: read it once more.
    if (!retried && !FBlocks.empty()) {
      retried = true;
      DropLastIndexEntry();
      continue;
    }
    Damaged("the header counts " + std::to_string(FHdr.Counts.NumRecords) +
            " records, the block chain holds " + std::to_string(FIndexed));
  }
  auto it = std::upper_bound(FBlocks.begin(), FBlocks.end(), recNo,
                             [](int64_t r, const TBlockRef& b) { return r < b.First; });
  return static_cast<size_t>(it - FBlocks.begin()) - 1;
}

// The decrypted block at index position `i`, read with the consecutive blocks after it.
const uint8_t* TParadoxTable::LoadBlock(size_t i, bool readAhead) {
  const uint16_t block = FBlocks[i].Block;
  const size_t bs = FHdr.BlockSize;
  const size_t used = kBlockHeaderSize + size_t{FBlocks[i].Count} * FHdr.RecordSize;
  if (const uint8_t* mapped = FView.At(BlockOffset(block), used)) {
    // Its records are read field by field later on: whatever of it cannot be read must
    // show now, not as zeros in the middle of a scan.
    if (!FView.Readable(mapped, used)) MappedReadFailed(block, used);
    return mapped;
  }
  if (!(block >= FChunkFirst && block < FChunkFirst + FChunkCount)) {
    const size_t maxRun = readAhead ? FChunk.size() / bs : 1;
    size_t run = 1;
    while (run < maxRun && i + run < FBlocks.size() && FBlocks[i + run].Block == block + run) ++run;
    // Past the walked part of the chain, guess that the chain keeps following the file.
    const bool sequential = i == 0 || FBlocks[i - 1].Block + 1 == block;
    if (i + run == FBlocks.size() && !FChainEnd && sequential) run = maxRun;
    run = std::min<size_t>(run, FHdr.Counts.FileBlocks - block + 1u);
    FChunkCount = 0;
    size_t got = FFile.ReadSome(BlockOffset(block), FChunk.data(), run * bs);
    FChunkBytes = got;
    if (got % bs) {  // a last block cut short after its records
      std::memset(&FChunk[got], 0, bs - got % bs);
      got += bs - got % bs;
    }
    FChunkFirst = block;
    FChunkCount = static_cast<uint32_t>(got / bs);
    std::fill(FChunkPlain.begin(), FChunkPlain.end(), 0);
  }
  const size_t k = block - FChunkFirst;
  if (k * bs + used > FChunkBytes)
    ThrowTableError(FPath, "file is truncated (block " + std::to_string(block) + ")");
  uint8_t* data = &FChunk[k * bs];
  if (FHdr.Encryption && !FChunkPlain[k]) {
    DecryptDataBlock(data, bs, FHdr.Encryption, block);
    FChunkPlain[k] = 1;
  }
  return data;
}

const uint8_t* TParadoxTable::Record(int64_t recNo) {
  if (recNo >= FCurFirst && recNo < FCurEnd) {
    const uint8_t* rec = FCurData + (recNo - FCurFirst) * FHdr.RecordSize;
    // Mapped records come from memory, not from a buffer just filled: ask for the ones a few
    // records on (a prefetch past the mapping is harmless, it never faults).
    if (FCurMapped) {
      const uint8_t* ahead = rec + kPrefetchRecords * FHdr.RecordSize;
      for (size_t i = 0; i < std::min<size_t>(FHdr.RecordSize, kPrefetchBytes); i += 64)
        __builtin_prefetch(ahead + i);
    }
    return rec;
  }
  if (recNo < 0 || recNo >= FHdr.Counts.NumRecords)
    ThrowTableError(FPath, "record number " + std::to_string(recNo) + " out of range");
  const size_t i = FindBlock(recNo);
  const uint8_t* block = LoadBlock(i);
  FCurIndex = i;
  FCurFirst = FBlocks[i].First;
  FCurEnd = std::min<int64_t>(FCurFirst + FBlocks[i].Count, FHdr.Counts.NumRecords);
  FCurData = block + kBlockHeaderSize;
  FCurMapped = FView.At(BlockOffset(FBlocks[i].Block), 1) == block;
  return FCurData + (recNo - FCurFirst) * FHdr.RecordSize;
}

// --- field values ---

TBlobFile* TParadoxTable::Blobs(bool forWrite) {
  if (FBlob && (!forWrite || FWritable)) return FBlob.get();
  if (!FBlobChecked || forWrite) {
    FBlobChecked = true;
    std::string mb = FindCompanion(FPath, "mb");
    if (mb.empty() && forWrite) {
      mb = CompanionName(FPath, "mb");
      TBlobFile::Create(mb, FHdr.Encryption);
    }
    if (!mb.empty()) FBlob = std::make_unique<TBlobFile>(mb, FWritable, FHdr.Encryption);
  }
  if (!FBlob) ThrowTableError(FPath, "the blob file (.mb) of this table is missing");
  return FBlob.get();
}

std::string TParadoxTable::RecordOf(const uint8_t* rec) const {
  const uint8_t* end = FCurData + (FCurEnd - FCurFirst) * FHdr.RecordSize;
  if (!FCurData || rec < FCurData || rec >= end) return "";
  return "record " + std::to_string(FCurFirst + (rec - FCurData) / FHdr.RecordSize + 1) + ", ";
}

bool TParadoxTable::IsNull(const uint8_t* rec, int field) {
  const TPxField& f = FieldAt(field);
  const uint8_t* p = rec + f.Offset;
  if (IsBlobPxType(f.Type)) return GetU32(p + f.Width - kBlobDescriptor + 4) == 0;
  return IsBlankField(f, p);
}

TValue TParadoxTable::Value(const uint8_t* rec, int field) {
  const TPxField& f = FieldAt(field);
  const uint8_t* p = rec + f.Offset;
  if (!IsBlobPxType(f.Type)) return IsBlankField(f, p) ? TValue::Null() : DecodeScalar(FPath, f, p);
  const int leader = f.Width - kBlobDescriptor;
  const uint32_t pointer = GetU32(p + leader);
  const uint32_t length = GetU32(p + leader + 4);
  if (length == 0) return TValue::Null();
  std::string data;
  if (length <= static_cast<uint32_t>(leader)) {
    data.assign(reinterpret_cast<const char*>(p), length);
  } else {
    // Which record holds the damage is what someone repairing the table needs to know.
    const std::string where = RecordOf(rec) + "field \"" + f.Name + "\"";
    if ((pointer & 0xFFFFFF00u) == 0) ThrowTableError(FPath, "damaged blob pointer in " + where);
    try {
      data = Blobs(false)->Read(pointer, length, f.Type == pxGraphic);
    } catch (const EDatabaseError& e) {
      throw EDatabaseError(std::string(e.what()) + " (" + where + ")");
    }
  }
  if (f.Type == pxMemo || f.Type == pxFmtMemo) return TValue::String(data);
  return TValue::Bytes(data);
}

std::string_view TParadoxTable::Text(const uint8_t* rec, int field) {
  if (static_cast<size_t>(field) >= FTextSlots.size()) FieldAt(field);  // throws
  const TNulTextSlot slot = FTextSlots[static_cast<size_t>(field)];
  if (slot.Width == 0) return {};
  return NulText(rec, slot);
}

}  // namespace lw::paradox

namespace lw {

std::unique_ptr<TTableCodec> OpenParadoxTable(const std::string& path, const TOpenOptions& opt) {
  return std::make_unique<paradox::TParadoxTable>(path, opt);
}

}  // namespace lw
