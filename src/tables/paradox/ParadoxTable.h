#pragma once

// One open Paradox table (.db, with its .mb and .px).
//
// Reading walks the block chain lazily, remembering where each block's records start, so a
// record is found by binary search and a scan costs O(1) per record. A table opened
// read-only and unencrypted is read through a mapping of the file (no copy per block; blocks
// past the mapped size are read as below). Otherwise blocks are read in large runs of
// physically consecutive blocks into one buffer (decrypted there once). Either way records
// are handed out as pointers.
//
// Writing is write-through under the file's writer lock: the header counters are re-read
// first (another table object may have written), then the record bytes, then the block
// header, and the header's record count last, so a reader never counts a record that is not
// complete on disk. Encrypted blocks are written byte by byte: the cipher maps each byte on
// its own, so a record costs the encryption of its own bytes and of the block header only.
// Changes that move records between or within blocks bump a stamp in the
// header so that other readers drop their block index on Refresh.
//
// In a batch that may hold stores (HoldStores), records added after the last one are held in the
// plain image of the last block and written when it is full, at EndBatch, or before any other
// store: the block (a new one whole), then the link to it, the index, and the header's count last,
// as above. A full new block is written by a thread of its own (ParadoxBlockWriter.h) while the
// batch goes on; its link, the index and the count follow at the next commit, once it is written.
// Until then this object counts only what the file counts: its own reads never see a held record,
// and neither does anyone else's.

#include <memory>
#include <string>
#include <vector>

#include "DatabaseError.h"
#include "FileView.h"
#include "ParadoxBlobFile.h"
#include "ParadoxBlockWriter.h"
#include "ParadoxFormat.h"
#include "ParadoxMap.h"
#include "ParadoxPrimaryIndex.h"
#include "PosixFile.h"
#include "TableCodec.h"

namespace lw::paradox {

class TParadoxTable final : public TTableCodec {
 public:
  TParadoxTable(const std::string& path, const TOpenOptions& opt);
  ~TParadoxTable() override;

  const std::string& FileName() const override { return FPath; }
  const std::vector<TFieldDef>& Fields() const override { return FFieldDefs; }
  std::vector<TIndexDef> Indexes() const override;
  TTableFileInfo Info() const override;
  int64_t RecordCount() const override { return FHdr.Counts.NumRecords; }
  void Refresh() override;
  const uint8_t* Record(int64_t recNo) override;
  bool IsNull(const uint8_t* rec, int field) override;
  TValue Value(const uint8_t* rec, int field) override;
  std::string_view Text(const uint8_t* rec, int field) override;
  const std::vector<TNulTextSlot>* NulTextSlots() const override { return &FTextSlots; }
  void Append(const std::vector<TValue>& values) override;
  void Insert(int64_t recNo, const std::vector<TValue>& values) override;
  void StorePlaced(int64_t recNo, const std::vector<TValue>& values, const uint8_t* image,
                   const std::vector<uint8_t>& placed) override;
  std::unique_ptr<TRecordCopier> CopierFrom(TTableCodec& source,
                                            const std::vector<TFieldCopy>& plan) override;
  void BeginBatch() override { FBatch = true; }
  void HoldStores() override { FHold = FBatch; }
  void EndBatch() override;

 private:
  friend class TParadoxRecordCopier;

  struct TBlockRef {
    uint16_t Block = 0;
    uint16_t Count = 0;
    uint16_t Next = 0;
    int64_t First = 0;  // table position of the block's first record
  };
  struct TTail {  // the writer's view of the last block
    bool Valid = false;
    uint16_t Block = 0;
    uint16_t Count = 0;
    std::vector<uint8_t> Plain;  // decrypted copy, encrypted tables only (mapped otherwise)
  };

  // --- reading ---
  uint64_t BlockOffset(uint32_t block) const;
  TPxCounts ReadCounts();
  void StableCounterBytes(uint8_t* head, size_t n);
  void ApplyCounts(const TPxCounts& c);
  void ResetIndex();
  void DropLastIndexEntry();
  bool ExtendIndex();
  void ExtendIndexToEnd();
  void ReadBlockHead(uint16_t block, uint8_t* out, size_t n);
  uint16_t BlockCount(uint16_t block, const uint8_t* head) const;
  size_t FindBlock(int64_t recNo);
  const uint8_t* LoadBlock(size_t i, bool readAhead = true);
  void CoverFile();
  [[noreturn]] void MappedReadFailed(uint16_t block, size_t len) const;
  void InvalidateCache();
  const TPxField& FieldAt(int i) const;
  TBlobFile* Blobs(bool forWrite);
  [[noreturn]] void Damaged(const std::string& why) const;
  // "record N, " for a record pointer of the current block (1-based), "" otherwise.
  std::string RecordOf(const uint8_t* rec) const;

  // --- writing ---
  void LockWriter();
  void UnlockWriter();
  // Runs one store, given the counters to change, under the writer lock: taken unless held
  // (a batch keeps it), released afterwards unless in a batch, and always on failure.
  template <class TStore>
  void WriteOp(TStore&& store) {
    if (!FWritable) ThrowTableError(FPath, "table is read-only");
    LockWriter();
    try {
      BeginWriteOp();
      TPxCounts c = FHeld.Any ? FHeld.Counts : FHdr.Counts;
      store(c);
    } catch (...) {
      UnlockAfterFailure();
      throw;
    }
    if (!FBatch) UnlockWriter();
  }
  void BeginWriteOp();
  void UnlockAfterFailure();
  void FillAutoInc(uint8_t* rec, TPxCounts& c);
  void Store(const uint8_t* rec, TPxCounts& c);
  void BuildRecord(const std::vector<TValue>& values, uint8_t* rec,
                   const std::vector<uint8_t>* placed = nullptr);
  void StoreBlob(const TPxField& f, const TValue& v, uint8_t* p);
  void CommitCounts(TPxCounts c, bool structural);
  uint8_t* MappedBlock(uint16_t block) const;
  void MapWindow(uint16_t first);
  void LoadTail();
  void WriteNewBlock(uint16_t block, const std::vector<uint8_t>& plain, size_t used);
  void StoreTailBytes(const uint8_t* plain, size_t from, size_t to);
  void WriteBlockBytes(uint16_t block, const uint8_t* plain, size_t from, size_t to, bool header);
  void AppendAtEnd(const uint8_t* rec, TPxCounts& c);
  void TailAppended(uint16_t last, uint16_t newBlock, const uint8_t* rec);
  void InsertAt(size_t i, size_t pos, const uint8_t* rec, TPxCounts& c, bool& split);
  void SetBlockPrev(uint16_t block, uint16_t prev);
  bool KeyedStore(const uint8_t* rec, TPxCounts& c);  // true when records moved
  void NewRecord(const std::vector<TValue>& values, TPxCounts& c, const uint8_t* image,
                 const std::vector<uint8_t>* placed);
  void StoreNew(int64_t recNo, const std::vector<TValue>& values, const uint8_t* image,
                const std::vector<uint8_t>* placed);
  enum class TIndexChange {
    Count,       // the record count of entry `changed`
    NewEntry,    // a block was added at the end of the chain
    NewEntries,  // blocks were added at the end of the chain, from entry `changed` on
    Rewrite,
  };
  void UpdatePrimaryIndex(TIndexChange change, size_t changed);
  // Appends held in a batch (ParadoxHeldAppend.cpp).
  bool CanHold(const uint8_t* rec, const TPxCounts& c);
  bool HoldAppend(const uint8_t* rec, TPxCounts& c);
  void CommitHeld();
  void DropHeld();
  bool QueueFullBlock();
  void LinkQueuedBlocks();

  std::string FPath;
  TPosixFile FFile;
  bool FWritable = false;
  bool FExclusive = false;
  bool FBatch = false;         // keep the writer lock between stores (BeginBatch)
  bool FHold = false;          // and hold appends in memory (HoldStores)
  bool FWriterLocked = false;  // this object holds the writer lock
  TPxHeader FHdr;
  std::vector<TFieldDef> FFieldDefs;
  std::vector<TNulTextSlot> FTextSlots;  // where each field's text lies, for the scan
  // Field positions by how a new record gets them: encoded from a value, stored as a blob,
  // counted by the table.
  std::vector<uint16_t> FScalarFields, FBlobFields, FAutoIncFields;
  std::vector<uint8_t> FHead;  // raw header bytes up to the end of the counters
  size_t FPerBlock = 0;        // records a block holds
  size_t FKeySize = 0;         // bytes of the primary key, 0 for unkeyed tables

  std::vector<TBlockRef> FBlocks;  // the chain as far as it has been walked
  std::vector<uint8_t> FKeys;      // first key of each walked block (keyed tables)
  std::vector<uint8_t> FVisited;   // blocks already in the chain (loop guard)
  int64_t FIndexed = 0;            // records in FBlocks
  bool FChainEnd = false;
  size_t FEmptyBlocks = 0;

  TFileView FView;  // the file, when opened read-only and unencrypted: blocks read in place
  std::vector<uint8_t> FChunk;       // a run of consecutive blocks
  std::vector<uint8_t> FChunkPlain;  // per block of the run: decrypted yet
  uint32_t FChunkFirst = 0, FChunkCount = 0;
  size_t FChunkBytes = 0;  // bytes the file actually had for the run

  int64_t FCurFirst = 0, FCurEnd = 0;  // records of the current block
  const uint8_t* FCurData = nullptr;
  bool FCurMapped = false;  // the current block is read in place from the mapping
  size_t FCurIndex = 0;

  std::unique_ptr<TBlobFile> FBlob;
  std::unique_ptr<TPrimaryIndexFile> FPrimaryIndex;
  bool FBlobChecked = false;

  std::vector<uint8_t> FRec, FWork, FWork2;
  TTail FTail;
  TMappedRange FHeadMap;  // the header counters, written in place
  TMappedRange FTailMap;  // the write window: the last block and the ones after it
  uint32_t FWindowFirst = 0, FWindowBlocks = 0;
  TPxCounts FTailCounts;  // counters as this object last wrote them
  struct THeld {          // records held in a batch, not yet in the file
    bool Any = false;
    bool NewBlock = false;    // the last block is not in the file yet
    uint16_t LinkFrom = 0;    // the block that is to link to it once it is
    size_t From = 0, To = 0;  // bytes of the last block's plain image not yet written
    TPxCounts Counts;         // the counters with the held records
  };
  THeld FHeld;
  std::vector<uint8_t> FLinkChunk;  // the plain first chunk of FHeld.LinkFrom
  // Full new blocks of the held records, handed to FBlockWriter; each is linked from the block
  // before it once the writer is done.
  struct TQueuedLink {
    uint16_t From = 0, To = 0;
    std::vector<uint8_t> Chunk;  // the plain first chunk of From
  };
  std::vector<TQueuedLink> FQueued;
  size_t FFirstQueuedEntry = 0;                // the index entry of the first of them
  std::unique_ptr<TBlockWriter> FBlockWriter;  // last: writes through FFile until destroyed
};

}  // namespace lw::paradox
