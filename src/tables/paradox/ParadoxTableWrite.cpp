// Storing records: see the comment at the top of ParadoxTable.h for the order of writes.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>

#include "DatabaseError.h"
#include "ParadoxBlockWriter.h"
#include "ParadoxCrypt.h"
#include "ParadoxFiles.h"
#include "ParadoxPrimaryIndex.h"
#include "ParadoxTable.h"
#include "ParadoxValues.h"

namespace lw::paradox {

namespace {
constexpr uint32_t kMaxBlob = 0x7FFFFFFF;
}

void TParadoxTable::BeginWriteOp() {
  if (!FWritable) ThrowTableError(FPath, "table is read-only");
  if (!FHeadMap.Mapped()) FHeadMap.Map(FFile.Fd(), 0, FHead.size(), FPath);
  // Under the writer lock (or alone, when exclusive) the mapped counters are stable; only
  // when another writer changed them is the header checked through the file again.
  if (!(ParseCounts(FHeadMap.Data(), FHdr.HasExtension) == FHdr.Counts)) ApplyCounts(ReadCounts());
  if (!(FHdr.Counts == FTailCounts)) {
    // Someone else wrote since our last store: what we remember of the files may be stale.
    FTail.Valid = false;
    if (FBlob) FBlob->DropCache();
  }
}

void TParadoxTable::StoreBlob(const TPxField& f, const TValue& v, uint8_t* p) {
  std::memset(p, 0, f.Width);
  if (v.IsNull()) return;
  const bool stored = v.GetKind() == TValue::Kind::String || v.GetKind() == TValue::Kind::Bytes;
  const std::string converted = stored ? std::string() : v.ToString();
  const std::string& data = stored ? v.Str() : converted;
  if (data.empty()) return;
  if (data.size() > kMaxBlob) ThrowTableError(FPath, "field \"" + f.Name + "\": blob too large");
  const size_t leader = f.Width - kBlobDescriptor;
  std::memcpy(p, data.data(), std::min(leader, data.size()));
  uint8_t* d = p + leader;
  const bool graphic = f.Type == pxGraphic;
  const uint32_t length = static_cast<uint32_t>(data.size() + (graphic ? 8 : 0));
  if (!graphic && data.size() <= leader) {
    PutU32(d + 4, length);
    return;
  }
  PutU32(d, Blobs(true)->Write(data, graphic));
  PutU32(d + 4, length);
  PutU16(d + 8, 1);
}

// Fields marked in `placed` are already in `rec`.
void TParadoxTable::BuildRecord(const std::vector<TValue>& values, uint8_t* rec,
                                const std::vector<uint8_t>* placed) {
  if (values.size() != FHdr.Fields.size() || (placed && placed->size() != values.size()))
    ThrowTableError(FPath, "expected " + std::to_string(FHdr.Fields.size()) + " values, got " +
                               std::to_string(values.size()));
  // Blobs last: a value that cannot be stored must fail before anything is written.
  for (const uint16_t i : FScalarFields) {
    if (placed && (*placed)[i]) continue;
    const TPxField& f = FHdr.Fields[i];
    EncodeScalar(FPath, f, values[i], rec + f.Offset);
  }
  for (const uint16_t i : FBlobFields) {
    const TPxField& f = FHdr.Fields[i];
    StoreBlob(f, values[i], rec + f.Offset);
  }
}

// Stores the header counters, the record count last: every record it counts is complete in
// the file before it changes. The count is a single 4-byte store, so no reader sees half of it.
void TParadoxTable::CommitCounts(TPxCounts c, bool structural) {
  if (structural && FHdr.HasExtension) ++c.Stamp;
  uint8_t* h = FHead.data();
  PutU32(h + hdr::kNumRecords, c.NumRecords);
  PutU16(h + hdr::kBlocksInUse, c.BlocksInUse);
  PutU16(h + hdr::kFileBlocks, c.FileBlocks);
  PutU16(h + hdr::kFirstBlock, c.FirstBlock);
  PutU16(h + hdr::kLastBlock, c.LastBlock);
  PutU16(h + hdr::kMaxBlocks, c.FileBlocks);
  PutU32(h + hdr::kAutoInc, c.AutoInc);
  if (FHdr.HasExtension) PutU32(h + hdr::kUpdateStamp, c.Stamp);
  uint8_t* mapped = FHeadMap.Data();
  const size_t rest = hdr::kNumRecords + 4;
  std::memcpy(mapped + rest, h + rest, FHead.size() - rest);
  std::atomic_thread_fence(std::memory_order_release);
  uint32_t count;
  std::memcpy(&count, h + hdr::kNumRecords, 4);
  std::memcpy(mapped + hdr::kNumRecords, &count, 4);
  FHdr.Counts = c;
  FTailCounts = c;
  FVisited.resize(c.FileBlocks + 1u, 0);
}

// Stores plain bytes [from, to) of the tail block into its mapping, then the block header, each
// byte encrypted on its own: the rest of the block is left as it is.
void TParadoxTable::StoreTailBytes(const uint8_t* plain, size_t from, size_t to) {
  uint8_t* mapped = MappedBlock(FTail.Block);
  from = std::max(from, kBlockHeaderSize);
  if (to > from) EncryptDataBytes(plain, mapped, from, to, FHdr.Encryption, FTail.Block);
  std::atomic_thread_fence(std::memory_order_release);
  EncryptDataBytes(plain, mapped, 0, kBlockHeaderSize, FHdr.Encryption, FTail.Block);
}

// Writes bytes [from, to) of a block from its plain image, then (with `header`) the block
// header. Encrypted blocks are written in whole 256-byte chunks, the one holding the header
// last.
void TParadoxTable::WriteBlockBytes(uint16_t block, const uint8_t* plain, size_t from, size_t to,
                                    bool header) {
  const uint64_t base = BlockOffset(block);
  if (!FHdr.Encryption) {
    if (to > from) FFile.WriteAt(base + from, plain + from, to - from);
    if (header) FFile.WriteAt(base, plain, kBlockHeaderSize);
    return;
  }
  const size_t c0 = from / kCryptChunk;
  const size_t c1 = (to + kCryptChunk - 1) / kCryptChunk;
  const size_t lo = std::max<size_t>(c0, 1);
  if (c1 > lo) {
    const size_t n = (c1 - lo) * kCryptChunk;
    FWork2.resize(std::max(FWork2.size(), n));
    std::memcpy(FWork2.data(), plain + lo * kCryptChunk, n);
    EncryptDataBlock(FWork2.data(), n, FHdr.Encryption, block, lo);
    FFile.WriteAt(base + lo * kCryptChunk, FWork2.data(), n);
  }
  if (header || (c0 == 0 && to > from)) {
    uint8_t chunk[kCryptChunk];
    std::memcpy(chunk, plain, kCryptChunk);
    EncryptDataBlock(chunk, kCryptChunk, FHdr.Encryption, block, 0);
    FFile.WriteAt(base, chunk, kCryptChunk);
  }
}

// The mapped bytes of `block`, or null when the write window does not hold it.
uint8_t* TParadoxTable::MappedBlock(uint16_t block) const {
  if (!FTailMap.Mapped() || block < FWindowFirst || block >= FWindowFirst + FWindowBlocks)
    return nullptr;
  return FTailMap.Data() + size_t{block - FWindowFirst} * FHdr.BlockSize;
}

// Maps the write window: the blocks from `first` on, as many as fit in a megabyte, whether the
// file holds them yet or not (a block is only touched once the file holds it), so that new
// blocks at the end of the table need no mapping of their own.
void TParadoxTable::MapWindow(uint16_t first) {
  constexpr size_t kWindowBytes = 1 << 20;
  FWindowBlocks = static_cast<uint32_t>(std::max<size_t>(kWindowBytes / FHdr.BlockSize, 1));
  FTailMap.Map(FFile.Fd(), BlockOffset(first), size_t{FWindowBlocks} * FHdr.BlockSize, FPath,
               /*populate=*/false);
  FWindowFirst = first;
}

// Maps the last block and reads its record count, unless the writer's view is current.
void TParadoxTable::LoadTail() {
  const uint16_t last = FHdr.Counts.LastBlock;
  if (!MappedBlock(last)) {
    // A block cut short at the end of the file is completed first: mapped pages past the
    // end of the file cannot be written.
    const uint64_t end = BlockOffset(last) + FHdr.BlockSize;
    if (FFile.Size() < end) FFile.Truncate(end);
    MapWindow(last);
  }
  if (FTail.Valid && FTail.Block == last) return;
  FTail.Valid = false;
  FTail.Block = last;
  const uint8_t* head = MappedBlock(last);
  if (FHdr.Encryption) {
    FTail.Plain.assign(head, head + FHdr.BlockSize);
    DecryptDataBlock(FTail.Plain.data(), FHdr.BlockSize, FHdr.Encryption, last);
    head = FTail.Plain.data();
  }
  const uint16_t next = GetU16(head);
  if (next != 0 && next <= FHdr.Counts.FileBlocks)
    Damaged("the last block " + std::to_string(last) + " is not the end of the chain");
  FTail.Count = BlockCount(last, head);
  if (next != 0) {
    // A link to a block the header never counted (its writer died before storing the
    // header): the link goes, the block's number is taken again by the next new block.
    if (FHdr.Encryption) {
      PutU16(FTail.Plain.data(), 0);
      StoreTailBytes(FTail.Plain.data(), 0, 0);
    } else {
      const uint16_t none = 0;
      std::memcpy(MappedBlock(last), &none, 2);
    }
  }
  // Records the block holds past the header's count were never counted either: the index
  // (see ExtendIndex) leaves them out, and so does the writer, which stores over them.
  ExtendIndexToEnd();
  if (!FBlocks.empty() && FBlocks.back().Block == last)
    FTail.Count = std::min(FTail.Count, FBlocks.back().Count);
  FTail.Valid = true;
}

// Writes a new block: `plain` is its whole image (header, records, zeros), bytes from `used` on
// zero. Encrypted, only the chunks holding the header and the records are encrypted: the rest
// of the block holds no record yet, its bytes are never read, and each record stored there
// later is encrypted with its chunk. One write at the end of the file, which the mapped window
// then sees.
void TParadoxTable::WriteNewBlock(uint16_t block, const std::vector<uint8_t>& plain, size_t used) {
  WriteBlockImage(FFile, BlockOffset(block), plain.data(), plain.size(), used, FHdr.Encryption,
                  block, FWork);
}

void TParadoxTable::AppendAtEnd(const uint8_t* rec, TPxCounts& c) {
  const uint16_t last = c.LastBlock;
  const size_t rs = FHdr.RecordSize;
  if (last) {
    LoadTail();
    if (FTail.Count < FPerBlock) {
      const size_t pos = kBlockHeaderSize + FTail.Count * rs;
      const uint16_t add = static_cast<uint16_t>(FTail.Count * rs);
      if (FHdr.Encryption) {
        uint8_t* plain = FTail.Plain.data();
        std::memcpy(plain + pos, rec, rs);
        PutU16(plain + 4, add);
        StoreTailBytes(plain, pos, pos + rs);
      } else {
        uint8_t* mapped = MappedBlock(last);
        std::memcpy(mapped + pos, rec, rs);
        std::atomic_thread_fence(std::memory_order_release);
        std::memcpy(mapped + 4, &add, 2);  // little-endian host, as the format
      }
      ++FTail.Count;
      ++c.NumRecords;
      TailAppended(last, 0, rec);
      return;
    }
  }
  if (c.FileBlocks == 0xFFFF) ThrowTableError(FPath, "table is full (no more blocks)");
  const uint16_t nb = static_cast<uint16_t>(c.FileBlocks + 1);
  std::vector<uint8_t> plain(FHdr.BlockSize, 0);
  PutU16(&plain[0], 0);
  PutU16(&plain[2], last);
  PutU16(&plain[4], 0);
  std::memcpy(&plain[kBlockHeaderSize], rec, rs);
  WriteNewBlock(nb, plain, kBlockHeaderSize + rs);
  std::atomic_thread_fence(std::memory_order_release);
  if (last) {  // link the complete new block from the old last one (mapped by LoadTail)
    if (FHdr.Encryption) {
      PutU16(FTail.Plain.data(), nb);
      StoreTailBytes(FTail.Plain.data(), 0, 0);
    } else {
      const uint16_t next = nb;
      std::memcpy(MappedBlock(last), &next, 2);
    }
  }
  c.FileBlocks = nb;
  c.BlocksInUse = static_cast<uint16_t>(std::min<int>(c.BlocksInUse + 1, nb));
  c.LastBlock = nb;
  if (c.FirstBlock == 0) c.FirstBlock = nb;
  ++c.NumRecords;
  FTail.Block = nb;
  FTail.Count = 1;
  FTail.Plain = std::move(plain);
  FTail.Valid = true;
  TailAppended(last, nb, rec);
}

// Brings the block index up to date after a record went to the end of the table: a complete
// index is extended in place (keyed writers need it whole for every store), a partial one
// walks on from disk later.
void TParadoxTable::TailAppended(uint16_t last, uint16_t newBlock, const uint8_t* rec) {
  InvalidateCache();
  const bool complete = FChainEnd && (FBlocks.empty() ? last == 0 : FBlocks.back().Block == last);
  if (!complete) {
    if (!FBlocks.empty() && FBlocks.back().Block == last) DropLastIndexEntry();
    FChainEnd = false;
    return;
  }
  if (newBlock) {
    if (!FBlocks.empty()) FBlocks.back().Next = newBlock;
    TBlockRef r;
    r.Block = newBlock;
    r.Count = 1;
    r.First = FIndexed;
    FBlocks.push_back(r);
    FVisited.resize(std::max<size_t>(FVisited.size(), newBlock + 1u), 0);
    FVisited[newBlock] = 1;
    if (FKeySize) FKeys.insert(FKeys.end(), rec, rec + FKeySize);
  } else {
    ++FBlocks.back().Count;
  }
  ++FIndexed;
}

void TParadoxTable::SetBlockPrev(uint16_t block, uint16_t prev) {
  if (!FHdr.Encryption) {
    uint8_t v[2];
    PutU16(v, prev);
    FFile.WriteAt(BlockOffset(block) + 2, v, 2);
    return;
  }
  uint8_t chunk[kCryptChunk];
  FFile.ReadAt(BlockOffset(block), chunk, sizeof chunk);
  DecryptDataBlock(chunk, sizeof chunk, FHdr.Encryption, block);
  PutU16(chunk + 2, prev);
  WriteBlockBytes(block, chunk, 0, 0, true);
}

// Inserts a record at position `pos` of the block at index position `i`, splitting the block
// in two when it is full.
void TParadoxTable::InsertAt(size_t i, size_t pos, const uint8_t* rec, TPxCounts& c, bool& split) {
  const size_t rs = FHdr.RecordSize;
  const size_t bs = FHdr.BlockSize;
  TBlockRef r = FBlocks[i];
  const uint8_t* current = LoadBlock(i, false);
  std::vector<uint8_t> left(current, current + bs);
  uint8_t* recs = &left[kBlockHeaderSize];
  split = r.Count >= FPerBlock;
  if (!split) {
    std::memmove(recs + (pos + 1) * rs, recs + pos * rs, (r.Count - pos) * rs);
    std::memcpy(recs + pos * rs, rec, rs);
    PutU16(&left[4], static_cast<uint16_t>(r.Count * rs));
    WriteBlockBytes(r.Block, left.data(), kBlockHeaderSize + pos * rs,
                    kBlockHeaderSize + (r.Count + 1) * rs, true);
    FBlocks[i].Count++;
  } else {
    if (c.FileBlocks == 0xFFFF) ThrowTableError(FPath, "table is full (no more blocks)");
    const uint16_t nb = static_cast<uint16_t>(c.FileBlocks + 1);
    // Halves, except that a block of one record keeps it on the side away from the new one.
    const size_t half = r.Count >= 2 ? r.Count / 2 : pos;
    std::vector<uint8_t> right(bs, 0);
    uint8_t* rrecs = &right[kBlockHeaderSize];
    std::memcpy(rrecs, recs + half * rs, (r.Count - half) * rs);
    std::memset(recs + half * rs, 0, (r.Count - half) * rs);
    size_t nLeft = half, nRight = r.Count - half;
    const bool toLeft = pos <= half && half < FPerBlock;
    uint8_t* target = toLeft ? recs : rrecs;
    size_t& n = toLeft ? nLeft : nRight;
    const size_t at = toLeft ? pos : pos - half;
    std::memmove(target + (at + 1) * rs, target + at * rs, (n - at) * rs);
    std::memcpy(target + at * rs, rec, rs);
    ++n;
    PutU16(&right[0], r.Next);
    PutU16(&right[2], r.Block);
    PutU16(&right[4], static_cast<uint16_t>((nRight - 1) * rs));
    PutU16(&left[0], nb);
    PutU16(&left[4], static_cast<uint16_t>((nLeft - 1) * rs));
    // The new block first (unreachable until the left block points at it), then the link
    // back from the following block, then the left block in one write.
    FWork = right;
    if (FHdr.Encryption) EncryptDataBlock(FWork.data(), bs, FHdr.Encryption, nb);
    FFile.WriteAt(BlockOffset(nb), FWork.data(), bs);
    if (r.Next) SetBlockPrev(r.Next, nb);
    FWork = left;
    if (FHdr.Encryption) EncryptDataBlock(FWork.data(), bs, FHdr.Encryption, r.Block);
    FFile.WriteAt(BlockOffset(r.Block), FWork.data(), bs);
    c.FileBlocks = nb;
    c.BlocksInUse = static_cast<uint16_t>(std::min<int>(c.BlocksInUse + 1, nb));
    if (c.LastBlock == r.Block) c.LastBlock = nb;
    FBlocks[i].Count = static_cast<uint16_t>(nLeft);
    FBlocks[i].Next = nb;
    TBlockRef nr;
    nr.Block = nb;
    nr.Count = static_cast<uint16_t>(nRight);
    nr.Next = r.Next;
    nr.First = r.First + static_cast<int64_t>(nLeft);
    FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(i) + 1, nr);
    FVisited.resize(nb + 1u, 0);
    FVisited[nb] = 1;
    if (FKeySize)
      FKeys.insert(FKeys.begin() + static_cast<std::ptrdiff_t>((i + 1) * FKeySize), rrecs,
                   rrecs + FKeySize);
  }
  if (FKeySize && pos == 0) std::memcpy(&FKeys[i * FKeySize], rec, FKeySize);
  for (size_t j = i + (split ? 2 : 1); j < FBlocks.size(); ++j) ++FBlocks[j].First;
  ++FIndexed;
  ++c.NumRecords;
  FTail.Valid = false;
  InvalidateCache();
}

bool TParadoxTable::KeyedStore(const uint8_t* rec, TPxCounts& c) {
  ExtendIndexToEnd();
  const size_t k = FKeySize;
  const size_t rs = FHdr.RecordSize;
  auto violation = [&] {
    ThrowTableError(FPath, "key violation (a record with this key already exists)");
  };
  // Non-empty blocks in chain order.
  size_t lastFull = FBlocks.size();
  for (size_t j = FBlocks.size(); j-- > 0;)
    if (FBlocks[j].Count) {
      lastFull = j;
      break;
    }
  TIndexChange change = TIndexChange::Count;
  bool structural = false;
  size_t changed = 0;
  if (lastFull == FBlocks.size()) {
    AppendAtEnd(rec, c);
    change = TIndexChange::Rewrite;
  } else {
    // Keys usually grow (an auto-increment key): the writer's own view of the last block
    // answers without reading it.
    // (Encrypted tables keep its plain image; a new block is only mapped by the next store.)
    const bool tail = FTail.Valid && FTail.Block == FBlocks[lastFull].Block &&
                      FTail.Count == FBlocks[lastFull].Count &&
                      (FHdr.Encryption || MappedBlock(FTail.Block));
    const uint8_t* lastBlock =
        (tail ? (FHdr.Encryption ? FTail.Plain.data() : MappedBlock(FTail.Block))
              : LoadBlock(lastFull, false)) +
        kBlockHeaderSize;
    const int cmpLast = std::memcmp(rec, lastBlock + (FBlocks[lastFull].Count - 1) * rs, k);
    if (cmpLast == 0) violation();
    if (cmpLast > 0 && lastFull + 1 == FBlocks.size() && FBlocks[lastFull].Block == c.LastBlock) {
      const uint16_t blocksBefore = c.FileBlocks;
      AppendAtEnd(rec, c);
      changed = lastFull;
      if (c.FileBlocks != blocksBefore) change = TIndexChange::NewEntry;
    } else {
      // The last block whose first key is not above the new key.
      size_t i = 0;
      for (size_t lo = 0, hi = FBlocks.size(); lo < hi;) {
        const size_t mid = (lo + hi) / 2;
        if (FBlocks[mid].Count == 0 || std::memcmp(&FKeys[mid * k], rec, k) <= 0) {
          i = mid;
          lo = mid + 1;
        } else {
          hi = mid;
        }
      }
      while (i > 0 && FBlocks[i].Count == 0) --i;
      const uint8_t* recs = LoadBlock(i, false) + kBlockHeaderSize;
      size_t lo = 0, hi = FBlocks[i].Count;
      while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        const int cmp = std::memcmp(recs + mid * rs, rec, k);
        if (cmp == 0) violation();
        if (cmp < 0)
          lo = mid + 1;
        else
          hi = mid;
      }
      bool split = false;
      InsertAt(i, lo, rec, c, split);
      if (split || lo == 0) change = TIndexChange::Rewrite;
      structural = true;
      changed = i;
    }
  }
  // The index walk checks block numbers against the counters, which now include new blocks.
  FHdr.Counts = c;
  FVisited.resize(c.FileBlocks + 1u, 0);
  ExtendIndexToEnd();
  UpdatePrimaryIndex(change, changed);
  return structural;
}

void TParadoxTable::UpdatePrimaryIndex(TIndexChange change, size_t changed) {
  if (!FPrimaryIndex) {
    // The first update rewrites the index whole: count updates in place rely on our own
    // layout, and an index written by another program has its own.
    change = TIndexChange::Rewrite;
    std::string px = FindCompanion(FPath, "px");
    if (px.empty()) px = CompanionName(FPath, "px");
    TPrimaryIndexSpec layout;
    layout.KeyFields.assign(FHdr.Fields.begin(), FHdr.Fields.begin() + FHdr.KeyFields);
    layout.KeySize = static_cast<int>(FKeySize);
    layout.BlockCode = static_cast<uint8_t>(FHdr.BlockSize / 1024);
    layout.Version = FHdr.Version;
    layout.SortOrder = FHdr.SortOrder;
    layout.TableName = std::filesystem::path(px).filename().string();
    FPrimaryIndex = std::make_unique<TPrimaryIndexFile>(px, layout);
  }
  TPrimaryIndexFile& index = *FPrimaryIndex;
  // Level-1 entries are the non-empty blocks of the chain. Without empty blocks (the usual
  // case) they are the chain itself, and an update costs nothing per block.
  std::vector<size_t> map;
  if (FEmptyBlocks) {
    for (size_t j = 0; j < FBlocks.size(); ++j)
      if (FBlocks[j].Count) map.push_back(j);
    change = TIndexChange::Rewrite;
  }
  const size_t n = FEmptyBlocks ? map.size() : FBlocks.size();
  auto at = [&](size_t e) { return FEmptyBlocks ? map[e] : e; };
  auto entry = [&](size_t e, uint16_t& block, uint16_t& count, const uint8_t*& key) {
    const TBlockRef& r = FBlocks[at(e)];
    block = r.Block;
    count = r.Count;
    key = &FKeys[at(e) * FKeySize];
  };
  auto sum = [&](size_t a, size_t b) -> int64_t {
    const TBlockRef& last = FBlocks[at(b - 1)];
    return last.First + last.Count - FBlocks[at(a)].First;
  };
  try {
    if (change == TIndexChange::Count && changed < n) {
      index.UpdateCount(n, changed, sum);
      return;
    }
    // The new block is the last entry; the index holds the ones before it.
    if (change == TIndexChange::NewEntry && index.AppendEntry(n - 1, entry, sum)) return;
    if (change == TIndexChange::NewEntries) {
      size_t e = changed;
      while (e < n && index.AppendEntry(e, entry, sum, e > changed)) ++e;
      if (e == n) return;
    }
  } catch (const EDatabaseError&) {
    // The index file went missing or is not the one we wrote: write it whole.
  }
  index.Rewrite(n, entry, sum);
}

void TParadoxTable::FillAutoInc(uint8_t* rec, TPxCounts& c) {
  for (const uint16_t i : FAutoIncFields) {
    if (c.AutoInc >= 0x7FFFFFFF) ThrowTableError(FPath, "auto-increment value out of range");
    ++c.AutoInc;
    PutIntLike(rec + FHdr.Fields[i].Offset, 4, c.AutoInc);
  }
}

// Every byte of the record is written here: the image's placed texts are kept, and every other
// field is encoded over its whole width. `placed` comes with `image`, or neither.
void TParadoxTable::NewRecord(const std::vector<TValue>& values, TPxCounts& c, const uint8_t* image,
                              const std::vector<uint8_t>* placed) {
  if (image)
    FRec.assign(image, image + FHdr.RecordSize);
  else
    FRec.assign(FHdr.RecordSize, 0);
  FillAutoInc(FRec.data(), c);
  BuildRecord(values, FRec.data(), placed);
}

// An exclusive opener is the only writer there is and takes no writer lock.
void TParadoxTable::LockWriter() {
  if (FExclusive || FWriterLocked) return;
  FFile.BeginWrite();
  FWriterLocked = true;
}

void TParadoxTable::UnlockWriter() {
  if (!FWriterLocked) return;
  FWriterLocked = false;
  FFile.EndWrite();
}

// A failed store leaves the records held before it to be written, and the lock to others.
void TParadoxTable::UnlockAfterFailure() {
  try {
    CommitHeld();
  } catch (...) {
    // Nothing held was ever counted: the file stays as its count says.
  }
  UnlockWriter();
}

void TParadoxTable::EndBatch() {
  FBatch = FHold = false;
  try {
    CommitHeld();
  } catch (...) {
    UnlockWriter();
    throw;
  }
  UnlockWriter();
}

// A table closed in a batch keeps what it held: nothing of it was reported as stored yet, so a
// failure here loses no record anyone was told about.
TParadoxTable::~TParadoxTable() {
  try {
    CommitHeld();
  } catch (...) {
  }
}

// Stores a complete record (auto-increment filled) at the end or at its key position, then the
// header counters.
void TParadoxTable::Store(const uint8_t* rec, TPxCounts& c) {
  if (HoldAppend(rec, c)) return;
  CommitHeld();
  bool structural = false;
  if (FKeySize)
    structural = KeyedStore(rec, c);
  else
    AppendAtEnd(rec, c);
  CommitCounts(c, structural);
}

void TParadoxTable::Append(const std::vector<TValue>& values) {
  StoreNew(-1, values, nullptr, nullptr);
}

void TParadoxTable::Insert(int64_t recNo, const std::vector<TValue>& values) {
  StoreNew(recNo, values, nullptr, nullptr);
}

void TParadoxTable::StorePlaced(int64_t recNo, const std::vector<TValue>& values,
                                const uint8_t* image, const std::vector<uint8_t>& placed) {
  StoreNew(recNo, values, image, &placed);
}

void TParadoxTable::StoreNew(int64_t recNo, const std::vector<TValue>& values, const uint8_t* image,
                             const std::vector<uint8_t>* placed) {
  if (FKeySize || recNo < 0) {
    WriteOp([&](TPxCounts& c) {
      NewRecord(values, c, image, placed);
      Store(FRec.data(), c);
    });
    return;
  }
  WriteOp([&](TPxCounts& c) {
    CommitHeld();
    NewRecord(values, c, image, placed);
    if (recNo >= FHdr.Counts.NumRecords) {
      AppendAtEnd(FRec.data(), c);
      CommitCounts(c, false);
    } else {
      const size_t i = FindBlock(recNo);
      bool split = false;
      InsertAt(i, static_cast<size_t>(recNo - FBlocks[i].First), FRec.data(), c, split);
      CommitCounts(c, true);
    }
  });
}

}  // namespace lw::paradox
