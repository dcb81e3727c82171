#include "DbaseTable.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "DatabaseError.h"
#include "DbaseValues.h"

namespace lw {

std::unique_ptr<TTableCodec> OpenDbaseTable(const std::string& path, const TOpenOptions& opt) {
  return std::make_unique<dbase::TDbaseTable>(path, opt);
}

namespace dbase {

namespace {

// Sequential reads fetch this much at once; a jump fetches a little around the record.
constexpr size_t kScanBytes = 256 * 1024;
constexpr size_t kJumpBytes = 8 * 1024;

bool IsMemoPointer(const TDbaseHeader& h, const TDbaseField& f) {
  return f.Letter == 'M' || f.Letter == 'G' || f.Letter == 'P' || f.Letter == 'W' ||
         (f.Letter == 'B' && !h.VisualFoxPro);
}

TMemoKind KindFromName(const std::string& memoPath, TMemoKind announced) {
  std::string ext = memoPath.substr(memoPath.size() >= 4 ? memoPath.size() - 4 : 0);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".fpt" || ext == ".dct") return TMemoKind::FoxPro;
  if (announced == TMemoKind::DbaseIV) return TMemoKind::DbaseIV;
  return TMemoKind::DbaseIII;
}

}  // namespace

TDbaseTable::TDbaseTable(const std::string& path, const TOpenOptions& opt) : FPath(path) {
  bool readOnly = opt.ReadOnly;
  if (!readOnly && ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS))
    readOnly = true;
  FFile = TPosixFile(path, readOnly ? TPosixFile::Mode::Read : TPosixFile::Mode::ReadWrite);
  FWritable = !readOnly;
  if (opt.Exclusive)
    FFile.LockExclusive();
  else
    FFile.LockShared();

  FHeader = ReadDbaseHeader(FFile);

  bool classic = FHeader.Version == kVersionDbase3 || FHeader.Version == kVersionDbase3Memo ||
                 FHeader.Version == kVersionDbase4Memo;
  for (size_t i = 0; i < FHeader.Fields.size(); ++i) {
    const TDbaseField& f = FHeader.Fields[i];
    if (f.Hidden) continue;
    TFieldDef def;
    def.Name = f.Name;
    def.DataType = f.Type;
    if (f.Type == ftString || f.Type == ftBytes || f.Type == ftVarBytes) def.Size = f.Width;
    if (f.Letter == 'N' || f.Letter == 'F') def.Precision = f.Decimals;
    if (f.Letter == 'Y') def.Precision = 4;
    FFieldDefs.push_back(def);
    FExposed.push_back(static_cast<int>(i));
    const bool plain = f.Letter == 'C' || f.Letter == 'N' || f.Letter == 'F' || f.Letter == 'L' ||
                       f.Letter == 'D' || (f.Letter == 'M' && !f.BinaryMemoPointer);
    if (!plain) classic = false;
  }

  if (FHeader.HasMemoFields()) {
    FMemoPath = FindMemoFile(path, FHeader.Memo);
    if (!FMemoPath.empty()) FHeader.Memo = KindFromName(FMemoPath, FHeader.Memo);
    if (FHeader.Memo == TMemoKind::None) FHeader.Memo = TMemoKind::DbaseIII;
    if (FHeader.Memo != TMemoKind::DbaseIII && FHeader.Memo != TMemoKind::DbaseIV) classic = false;
  }
  FAppendable = classic;
  if (!FAppendable)
    FWhyNotAppendable = "adding records to " + DbaseVersionName(FHeader.Version) +
                        " tables of this structure is not supported";

  Reload(CountInFile(FHeader.RecordCount, FFile.Size()));
}

const TDbaseField& TDbaseTable::Descriptor(int field) const {
  if (field < 0 || field >= static_cast<int>(FExposed.size()))
    ThrowTableError(FPath, "field number " + std::to_string(field) + " is out of range");
  return FHeader.Fields[static_cast<size_t>(FExposed[static_cast<size_t>(field)])];
}

TTableFileInfo TDbaseTable::Info() const {
  TTableFileInfo info;
  char version[16];
  std::snprintf(version, sizeof version, " (0x%02X)", FHeader.Version);
  info.Format = DbaseVersionName(FHeader.Version) + version;
  info.CodePage = CodePageFromLanguageDriver(FHeader.LanguageDriver);
  info.RecordSize = FHeader.RecordLength;
  return info;
}

int64_t TDbaseTable::CountInFile(uint32_t headerCount, uint64_t fileSize) const {
  const uint64_t hl = static_cast<uint64_t>(FHeader.HeaderLength);
  const uint64_t available = fileSize > hl ? (fileSize - hl) / FHeader.RecordLength : 0;
  if (headerCount <= available) return headerCount;
  // A record whose write was interrupted before it was complete is not counted; anything
  // more missing means the file lost data.
  if (headerCount == available + 1) return static_cast<int64_t>(available);
  ThrowTableError(FPath, "file is truncated: the header counts " + std::to_string(headerCount) +
                             " records but the file holds " + std::to_string(available));
}

void TDbaseTable::ScanDeleted(int64_t from, int64_t to) {
  const size_t rl = static_cast<size_t>(FHeader.RecordLength);
  const int64_t perChunk = std::max<int64_t>(1, static_cast<int64_t>(kScanBytes / rl));
  std::vector<uint8_t> buf;
  for (int64_t first = from; first < to; first += perChunk) {
    const int64_t n = std::min(perChunk, to - first);
    buf.resize(static_cast<size_t>(n) * rl);
    FFile.ReadAt(static_cast<uint64_t>(FHeader.HeaderLength) + static_cast<uint64_t>(first) * rl,
                 buf.data(), buf.size());
    for (int64_t i = 0; i < n; ++i)
      if (buf[static_cast<size_t>(i) * rl] == kDeletedFlag) FDeleted.push_back(first + i);
  }
}

void TDbaseTable::Reload(int64_t physicalCount) {
  if (physicalCount < FPhysicalCount) {
    // The file shrank (packed or emptied by another program): start over.
    FDeleted.clear();
    FPhysicalCount = 0;
  }
  ScanDeleted(FPhysicalCount, physicalCount);
  FPhysicalCount = physicalCount;
  FBufferCount = 0;
}

int64_t TDbaseTable::RecordCount() const {
  return FPhysicalCount - static_cast<int64_t>(FDeleted.size());
}

void TDbaseTable::Refresh() {
  uint8_t h[12];
  FFile.ReadAt(0, h, sizeof h);
  if (GetU16LE(h + 8) != FHeader.HeaderLength || GetU16LE(h + 10) != FHeader.StoredRecordLength)
    ThrowTableError(FPath, "the table's structure was changed by another program; reopen it");
  Reload(CountInFile(GetU32LE(h + 4), FFile.Size()));
}

int64_t TDbaseTable::PhysicalIndex(int64_t recNo) const {
  // Deleted record j (at physical index d) has d - j live records before it; the live record
  // recNo lies after exactly those deleted records for which d - j <= recNo.
  size_t lo = 0, hi = FDeleted.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (FDeleted[mid] - static_cast<int64_t>(mid) <= recNo)
      lo = mid + 1;
    else
      hi = mid;
  }
  return recNo + static_cast<int64_t>(lo);
}

const uint8_t* TDbaseTable::Record(int64_t recNo) {
  if (recNo < 0 || recNo >= RecordCount())
    ThrowTableError(FPath, "record number " + std::to_string(recNo) + " is out of range (" +
                               std::to_string(RecordCount()) + " records)");
  const int64_t phys = PhysicalIndex(recNo);
  const size_t rl = static_cast<size_t>(FHeader.RecordLength);
  if (phys < FBufferFirst || phys >= FBufferFirst + FBufferCount) {
    const bool sequential = FBufferCount > 0 && phys == FBufferFirst + FBufferCount;
    const int64_t want =
        std::max<int64_t>(1, static_cast<int64_t>((sequential ? kScanBytes : kJumpBytes) / rl));
    const int64_t n = std::min(want, FPhysicalCount - phys);
    FBuffer.resize(static_cast<size_t>(n) * rl);
    FBufferCount = 0;
    FFile.ReadAt(static_cast<uint64_t>(FHeader.HeaderLength) + static_cast<uint64_t>(phys) * rl,
                 FBuffer.data(), FBuffer.size());
    FBufferFirst = phys;
    FBufferCount = n;
  }
  return FBuffer.data() + static_cast<size_t>(phys - FBufferFirst) * rl;
}

int64_t TDbaseTable::PhysicalOf(const uint8_t* rec) const {
  const uint8_t* base = FBuffer.data();
  if (FBufferCount == 0 || rec < base || rec >= base + FBuffer.size()) return -1;
  return FBufferFirst + (rec - base) / FHeader.RecordLength;
}

void TDbaseTable::FailAt(const uint8_t* rec, const std::string& reason) const {
  const int64_t phys = PhysicalOf(rec);
  if (phys < 0) ThrowTableError(FPath, reason);
  ThrowTableError(FPath, "record " + std::to_string(phys + 1) + ", " + reason);
}

TDbaseMemoFile& TDbaseTable::Memo() {
  if (!FMemo) {
    // Thrown without the file name: the callers add it with the record number.
    if (FHeader.Memo == TMemoKind::Smt)
      throw EDatabaseError("Clipper SMT memo files are not supported");
    if (FMemoPath.empty()) {
      std::string stem = FPath.substr(FPath.find_last_of('/') + 1);
      stem = stem.substr(0, stem.find_last_of('.'));
      throw EDatabaseError("memo file " + stem +
                           (FHeader.Memo == TMemoKind::FoxPro ? ".fpt" : ".dbt") +
                           " was not found next to the table");
    }
    FMemo = std::make_unique<TDbaseMemoFile>(FMemoPath, FHeader.Memo, FWritable);
  }
  return *FMemo;
}

bool TDbaseTable::IsNull(const uint8_t* rec, int field) {
  const TDbaseField& f = Descriptor(field);
  try {
    return FieldIsNull(FHeader, f, rec);
  } catch (const EDatabaseError& e) {
    FailAt(rec, e.what());
  }
}

TValue TDbaseTable::Value(const uint8_t* rec, int field) {
  const TDbaseField& f = Descriptor(field);
  try {
    if (!IsMemoPointer(FHeader, f)) return DecodeField(FHeader, f, rec);
    if (NullFlagSet(FHeader, f.NullBit, rec)) return TValue::Null();
    const uint64_t block = MemoBlock(f, rec);
    if (block == 0) return TValue::Null();
    std::string data = Memo().Read(block);
    if (f.Type == ftMemo) return TValue::String(data);
    return TValue::Bytes(data);
  } catch (const EDatabaseError& e) {
    FailAt(rec, e.what());
  }
}

std::string_view TDbaseTable::Text(const uint8_t* rec, int field) {
  const TDbaseField& f = Descriptor(field);
  if (f.Type != ftString) ThrowTableError(FPath, "field '" + f.Name + "' is not a text field");
  return FieldText(FHeader, f, rec);
}

void TDbaseTable::CheckWritable() const {
  if (!FWritable) ThrowTableError(FPath, "table is open read-only");
  if (!FAppendable) ThrowTableError(FPath, FWhyNotAppendable);
}

void TDbaseTable::Append(const std::vector<TValue>& values) {
  CheckWritable();
  if (values.size() != FFieldDefs.size())
    ThrowTableError(FPath, "a record needs " + std::to_string(FFieldDefs.size()) + " values, got " +
                               std::to_string(values.size()));
  const size_t rl = static_cast<size_t>(FHeader.RecordLength);
  std::vector<uint8_t> rec(rl, ' ');
  rec[0] = kLiveFlag;
  std::vector<std::pair<const TDbaseField*, std::string>> memos;
  try {
    for (size_t i = 0; i < values.size(); ++i) {
      const TDbaseField& f = Descriptor(static_cast<int>(i));
      const TValue& v = values[i];
      if (f.Letter != 'M') {
        EncodeField(f, v, rec.data());
        continue;
      }
      FormatMemoPointer(f, 0, rec.data());
      if (v.IsNull()) continue;
      std::string data = v.GetKind() == TValue::Kind::String || v.GetKind() == TValue::Kind::Bytes
                             ? v.Str()
                             : v.ToString();
      if (data.empty()) continue;
      if (FHeader.Memo == TMemoKind::DbaseIII && data.find('\x1A') != std::string::npos)
        throw EDatabaseError("field '" + f.Name +
                             "': the value contains the byte 0x1A, which ends a memo in a "
                             "dBase III memo file");
      memos.emplace_back(&f, std::move(data));
    }
  } catch (const EDatabaseError& e) {
    ThrowTableError(FPath, e.what());
  }

  TWriteGuard guard(FFile);
  // Another codec may have appended since we last looked: take the count from the file.
  uint8_t h[12];
  FFile.ReadAt(0, h, sizeof h);
  if (GetU16LE(h + 8) != FHeader.HeaderLength || GetU16LE(h + 10) != FHeader.StoredRecordLength)
    ThrowTableError(FPath, "the table's structure was changed by another program; reopen it");
  const int64_t phys = CountInFile(GetU32LE(h + 4), FFile.Size());
  if (phys >= 0xFFFFFFFFLL) ThrowTableError(FPath, "table is full");

  // Memo data first, then the record (with the end marker after it), then the count: a write
  // cut short at any point leaves a table whose counted records are complete.
  try {
    for (auto& [f, data] : memos) FormatMemoPointer(*f, Memo().Append(data), rec.data());
  } catch (const EDatabaseError& e) {
    ThrowTableError(FPath, e.what());
  }
  const uint64_t at =
      static_cast<uint64_t>(FHeader.HeaderLength) + static_cast<uint64_t>(phys) * rl;
  rec.push_back(kFileEnd);
  FFile.WriteAt(at, rec.data(), rec.size());

  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  uint8_t upd[7];
  upd[0] = static_cast<uint8_t>(std::clamp(tm.tm_year, 0, 255));
  upd[1] = static_cast<uint8_t>(tm.tm_mon + 1);
  upd[2] = static_cast<uint8_t>(tm.tm_mday);
  PutU32LE(upd + 3, static_cast<uint32_t>(phys + 1));
  FFile.WriteAt(1, upd, sizeof upd);
  FFile.Sync();

  // Records other codecs added meanwhile are checked for deletion flags; ours is live.
  Reload(phys);
  FPhysicalCount = phys + 1;
}

void TDbaseTable::Insert(int64_t /*recNo*/, const std::vector<TValue>& values) {
  Append(values);
}

}  // namespace dbase
}  // namespace lw
