// Appends held in memory during a batch: see the comment at the top of ParadoxTable.h.
//
// A batch that adds records at the end of the chain fills the plain image of the last block
// and writes it, encrypted once, when the block is full or the batch ends, then the header
// count: one write of a whole block instead of a cipher pass over two or three chunks and a
// page touched per record. The files go through the same states as with one record at a
// time, in the same order (block bytes, the link to a new block, the index, the count last),
// only fewer times.

#include <algorithm>
#include <cstring>
#include <utility>

#include "DatabaseError.h"
#include "ParadoxCrypt.h"
#include "ParadoxTable.h"
#include "ParadoxValues.h"

namespace lw::paradox {

// True when the writer's view of the last block lets `rec` be held: the last block is known,
// holds a record, ends a complete index, and (keyed) the new key comes after its last key.
bool TParadoxTable::CanHold(const uint8_t* rec, const TPxCounts& c) {
  if (!FHold || c.LastBlock == 0) return false;
  if (!FHeld.Any) LoadTail();
  if (!FTail.Valid || FTail.Block != c.LastBlock || FTail.Count == 0 || FEmptyBlocks ||
      !FChainEnd || FBlocks.empty() || FBlocks.back().Block != c.LastBlock ||
      FBlocks.back().Count != FTail.Count)
    return false;
  // Unencrypted tables have no plain image of their own until records are held.
  const uint8_t* image =
      FHdr.Encryption || FHeld.Any ? FTail.Plain.data() : MappedBlock(c.LastBlock);
  if (FKeySize) {
    const uint8_t* last = image + kBlockHeaderSize + (FTail.Count - 1u) * FHdr.RecordSize;
    const int cmp = std::memcmp(rec, last, FKeySize);
    if (cmp == 0) ThrowTableError(FPath, "key violation (a record with this key already exists)");
    if (cmp < 0) return false;
  }
  if (image != FTail.Plain.data()) FTail.Plain.assign(image, image + FHdr.BlockSize);
  return true;
}

// Stores `rec` after the last record in memory; false when it has to go through the file
// now. A full block is committed at once, so that a new block always follows a written one.
bool TParadoxTable::HoldAppend(const uint8_t* rec, TPxCounts& c) {
  if (!CanHold(rec, c)) return false;
  const size_t rs = FHdr.RecordSize;
  const uint16_t last = c.LastBlock;
  uint8_t* plain = FTail.Plain.data();
  if (FTail.Count < FPerBlock) {
    const size_t pos = kBlockHeaderSize + FTail.Count * rs;
    std::memcpy(plain + pos, rec, rs);
    PutU16(plain + 4, static_cast<uint16_t>(FTail.Count * rs));
    FHeld.From = FHeld.Any ? std::min(FHeld.From, pos) : pos;
    FHeld.To = pos + rs;
    ++FTail.Count;
    TailAppended(last, 0, rec);
  } else {
    if (c.FileBlocks == 0xFFFF) ThrowTableError(FPath, "table is full (no more blocks)");
    const uint16_t nb = static_cast<uint16_t>(c.FileBlocks + 1);
    FLinkChunk.assign(plain, plain + std::min<size_t>(kCryptChunk, FHdr.BlockSize));
    FTail.Plain.assign(FHdr.BlockSize, 0);
    plain = FTail.Plain.data();
    PutU16(plain + 2, last);
    std::memcpy(plain + kBlockHeaderSize, rec, rs);
    FHeld.NewBlock = true;
    FHeld.LinkFrom = last;
    FHeld.From = 0;
    FHeld.To = kBlockHeaderSize + rs;
    c.FileBlocks = nb;
    c.BlocksInUse = static_cast<uint16_t>(std::min<int>(c.BlocksInUse + 1, nb));
    c.LastBlock = nb;
    FTail.Block = nb;
    FTail.Count = 1;
    TailAppended(last, nb, rec);
  }
  ++c.NumRecords;
  FHeld.Any = true;
  FHeld.Counts = c;
  if (FTail.Count == FPerBlock && !QueueFullBlock()) CommitHeld();
  return true;
}

// Hands the full tail block to the block writer when it is a new one (a block the file had
// before is committed at once, as it needs only its new bytes): its link, the index and the
// count wait for the next commit.
bool TParadoxTable::QueueFullBlock() {
  if (!FHeld.NewBlock) return false;
  if (!FBlockWriter) FBlockWriter = std::make_unique<TBlockWriter>(FFile, FHdr.Encryption);
  FBlockWriter->Queue(FTail.Block, BlockOffset(FTail.Block), FTail.Plain.data(), FTail.Plain.size(),
                      FHeld.To);
  if (FQueued.empty()) FFirstQueuedEntry = FBlocks.size() - 1;
  // The next new block takes a chunk of its own: this one goes with its link.
  FQueued.push_back({FHeld.LinkFrom, FTail.Block, std::move(FLinkChunk)});
  FHeld.NewBlock = false;
  FHeld.From = FHeld.To = 0;  // nothing of the tail block is left to write
  return true;
}

// Waits for the queued blocks, then links each from the block before it, in chain order.
void TParadoxTable::LinkQueuedBlocks() {
  if (FQueued.empty()) return;
  FBlockWriter->Wait();
  for (TQueuedLink& link : FQueued) {
    PutU16(link.Chunk.data(), link.To);
    WriteBlockBytes(link.From, link.Chunk.data(), 0, 0, true);
  }
  FQueued.clear();
}

// Writes what is held: the tail block (a new one whole, then the link to it from the block
// before), the primary index, and the header count last.
void TParadoxTable::CommitHeld() {
  if (!FHeld.Any) return;
  try {
    const bool queued = !FQueued.empty();
    LinkQueuedBlocks();
    const uint16_t block = FTail.Block;
    if (FHeld.NewBlock) {
      WriteNewBlock(block, FTail.Plain, FHeld.To);
      PutU16(FLinkChunk.data(), block);
      WriteBlockBytes(FHeld.LinkFrom, FLinkChunk.data(), 0, 0, true);
    } else if (FHeld.To > FHeld.From) {
      WriteBlockBytes(block, FTail.Plain.data(), FHeld.From, FHeld.To, true);
    }
    if (FKeySize) {
      // The index holds every entry before this commit: new blocks are its next entries.
      const size_t n = FBlocks.size();
      if (queued)
        UpdatePrimaryIndex(TIndexChange::NewEntries, FFirstQueuedEntry);
      else
        UpdatePrimaryIndex(FHeld.NewBlock ? TIndexChange::NewEntry : TIndexChange::Count, n - 1);
    }
    CommitCounts(FHeld.Counts, false);
  } catch (...) {
    DropHeld();
    throw;
  }
  FHeld = THeld();
}

// Forgets the held records after a failed write: the view falls back to the file's.
void TParadoxTable::DropHeld() {
  if (FBlockWriter) {
    try {
      FBlockWriter->Wait();
    } catch (...) {
      // What it could not write was never linked or counted.
    }
  }
  FQueued.clear();
  FHeld = THeld();
  FTail.Valid = false;
  ResetIndex();
}

}  // namespace lw::paradox
