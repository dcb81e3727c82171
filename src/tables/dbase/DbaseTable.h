#pragma once

// One open .dbf file (with its memo file) behind the TTableCodec interface.
//
// Records flagged deleted (`*`) are not shown: dBase keeps them in the file until a PACK, and
// the engine exposes only live records, in file order. Inserting appends at the end, as dBase
// itself does; record order is file order.

#include <memory>
#include <string>
#include <vector>

#include "DbaseFormat.h"
#include "DbaseMemo.h"
#include "PosixFile.h"
#include "TableCodec.h"

namespace lw::dbase {

class TDbaseTable final : public TTableCodec {
 public:
  TDbaseTable(const std::string& path, const TOpenOptions& opt);

  const std::string& FileName() const override { return FPath; }
  const std::vector<TFieldDef>& Fields() const override { return FFieldDefs; }
  std::vector<TIndexDef> Indexes() const override { return {}; }
  TTableFileInfo Info() const override;

  int64_t RecordCount() const override;
  void Refresh() override;

  const uint8_t* Record(int64_t recNo) override;

  bool IsNull(const uint8_t* rec, int field) override;
  TValue Value(const uint8_t* rec, int field) override;
  std::string_view Text(const uint8_t* rec, int field) override;

  void Append(const std::vector<TValue>& values) override;
  // dBase has no record order besides file order: an insert appends.
  void Insert(int64_t recNo, const std::vector<TValue>& values) override;

  // The parsed header and the descriptor behind an exposed field (for tools and tests).
  const TDbaseHeader& Header() const { return FHeader; }
  const TDbaseField& Descriptor(int field) const;
  int64_t DeletedCount() const { return static_cast<int64_t>(FDeleted.size()); }

 private:
  // Physical record count as the file stands now: the header's count, limited to the
  // records the file really holds.
  int64_t CountInFile(uint32_t headerCount, uint64_t fileSize) const;
  // Brings the record count and the deleted-record list up to date with the file.
  void Reload(int64_t physicalCount);
  void ScanDeleted(int64_t from, int64_t to);
  int64_t PhysicalIndex(int64_t recNo) const;
  int64_t PhysicalOf(const uint8_t* rec) const;
  TDbaseMemoFile& Memo();
  [[noreturn]] void FailAt(const uint8_t* rec, const std::string& reason) const;
  void CheckWritable() const;

  std::string FPath;
  TPosixFile FFile;
  bool FWritable = false;
  TDbaseHeader FHeader;
  std::vector<TFieldDef> FFieldDefs;
  std::vector<int> FExposed;  // exposed field -> index into FHeader.Fields
  bool FAppendable = false;
  std::string FWhyNotAppendable;

  int64_t FPhysicalCount = 0;
  std::vector<int64_t> FDeleted;  // physical indexes of deleted records, ascending

  std::vector<uint8_t> FBuffer;  // a run of consecutive records
  int64_t FBufferFirst = 0;
  int64_t FBufferCount = 0;

  std::string FMemoPath;
  std::unique_ptr<TDbaseMemoFile> FMemo;
};

}  // namespace lw::dbase
