#include "ParadoxFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DatabaseError.h"

namespace lw::paradox {

uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t GetU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(uint8_t* p, uint16_t v) {
  p[0] = v & 0xFF;
  p[1] = v >> 8;
}

void PutU32(uint8_t* p, uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
  p[2] = (v >> 16) & 0xFF;
  p[3] = v >> 24;
}

TFieldType FieldTypeOf(uint8_t pxType) {
  switch (pxType) {
    case pxAlpha:
      return ftString;
    case pxDate:
      return ftDate;
    case pxShort:
      return ftSmallint;
    case pxLong:
      return ftInteger;
    case pxCurrency:
      return ftCurrency;
    case pxNumber:
      return ftFloat;
    case pxLogical:
      return ftBoolean;
    case pxMemo:
      return ftMemo;
    case pxBlob:
      return ftBlob;
    case pxFmtMemo:
      return ftFmtMemo;
    case pxOle:
      return ftParadoxOle;
    case pxGraphic:
      return ftGraphic;
    case pxTime:
      return ftTime;
    case pxTimestamp:
      return ftDateTime;
    case pxAutoInc:
      return ftAutoInc;
    case pxBcd:
      return ftBCD;
    case pxBytes:
      return ftBytes;
    default:
      return ftUnknown;
  }
}

uint8_t PxTypeOf(TFieldType type) {
  switch (type) {
    case ftString:
      return pxAlpha;
    case ftDate:
      return pxDate;
    case ftSmallint:
      return pxShort;
    case ftInteger:
      return pxLong;
    case ftCurrency:
      return pxCurrency;
    case ftFloat:
      return pxNumber;
    case ftBoolean:
      return pxLogical;
    case ftMemo:
      return pxMemo;
    case ftBlob:
      return pxBlob;
    case ftFmtMemo:
      return pxFmtMemo;
    case ftParadoxOle:
      return pxOle;
    case ftGraphic:
      return pxGraphic;
    case ftTime:
      return pxTime;
    case ftDateTime:
      return pxTimestamp;
    case ftAutoInc:
      return pxAutoInc;
    case ftBCD:
      return pxBcd;
    case ftBytes:
      return pxBytes;
    default:
      return 0;
  }
}

int FixedWidth(uint8_t pxType) {
  switch (pxType) {
    case pxLogical:
      return 1;
    case pxShort:
      return 2;
    case pxDate:
    case pxLong:
    case pxTime:
    case pxAutoInc:
      return 4;
    case pxCurrency:
    case pxNumber:
    case pxTimestamp:
      return 8;
    case pxBcd:
      return kBcdWidth;
    default:
      return 0;
  }
}

TPxCounts ParseCounts(const uint8_t* head, bool hasExtension) {
  TPxCounts c;
  c.NumRecords = GetU32(head + hdr::kNumRecords);
  c.BlocksInUse = GetU16(head + hdr::kBlocksInUse);
  c.FileBlocks = GetU16(head + hdr::kFileBlocks);
  c.FirstBlock = GetU16(head + hdr::kFirstBlock);
  c.LastBlock = GetU16(head + hdr::kLastBlock);
  c.AutoInc = GetU32(head + hdr::kAutoInc);
  c.FirstFreeBlock = GetU16(head + hdr::kFirstFreeBlock);
  c.Stamp = hasExtension ? GetU32(head + hdr::kUpdateStamp) : 0;
  return c;
}

namespace {

bool IsTableLayout(uint8_t fileType) {
  return fileType == kKeyedTable || fileType == kUnkeyedTable || fileType == kSecondaryX ||
         fileType == kSecondaryXInc || fileType == kCompositeX || fileType == kCompositeXInc;
}

// Reads a NUL-terminated string at `pos` that must end before `end`.
bool ReadCString(const uint8_t* data, size_t& pos, size_t end, std::string& out) {
  const void* nul = pos < end ? std::memchr(data + pos, 0, end - pos) : nullptr;
  if (!nul) return false;
  size_t n = static_cast<const uint8_t*>(nul) - (data + pos);
  out.assign(reinterpret_cast<const char*>(data + pos), n);
  pos += n + 1;
  return true;
}

[[noreturn]] void ThrowDamagedHeader(const std::string& file, const std::string& why) {
  ThrowTableError(file, "damaged table header (" + why + ")");
}

// The field descriptors from `base` on: types, widths and offsets, then the names (and, in
// the extended header, the sort order and index names), all within the header's first `end`
// bytes.
void ParseFields(const std::string& file, const uint8_t* data, size_t base, size_t end,
                 int numFields, TPxHeader& h) {
  auto damaged = [&](const std::string& why) { ThrowDamagedHeader(file, why); };
  size_t pos = base;
  if (pos + 2 * static_cast<size_t>(numFields) > end) damaged("field list past the header");
  int offset = 0;
  h.Fields.resize(numFields);
  for (int i = 0; i < numFields; ++i) {
    TPxField& f = h.Fields[i];
    f.Type = data[pos + 2 * i];
    f.SizeByte = data[pos + 2 * i + 1];
    f.DataType = FieldTypeOf(f.Type);
    const std::string which = "field " + std::to_string(i + 1);
    if (f.DataType == ftUnknown) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", f.Type);
      ThrowTableError(file,
                      std::string("unsupported Paradox field type ") + code + " (" + which + ")");
    }
    const int fixed = FixedWidth(f.Type);
    if (f.Type == pxBcd) {
      if (f.SizeByte > 32)
        damaged(which + ": BCD with " + std::to_string(f.SizeByte) + " decimals");
      f.Width = kBcdWidth;
    } else if (fixed) {
      if (f.SizeByte != fixed) damaged(which + ": width " + std::to_string(f.SizeByte));
      f.Width = fixed;
    } else if (IsBlobPxType(f.Type)) {
      if (f.SizeByte < kBlobDescriptor)
        damaged(which + ": blob width " + std::to_string(f.SizeByte));
      f.Width = f.SizeByte;
    } else {
      if (f.SizeByte == 0) damaged(which + ": width 0");
      f.Width = f.SizeByte;
    }
    f.Offset = offset;
    offset += f.Width;
  }
  if (offset != h.RecordSize)
    damaged("record size " + std::to_string(h.RecordSize) + " does not match the fields' total " +
            std::to_string(offset));
  pos += 2 * numFields + 4 + 4 * static_cast<size_t>(numFields);  // table name and name pointers
  pos += h.Version >= 12 ? 261 : 79;                              // table name
  for (int i = 0; i < numFields; ++i)
    if (!ReadCString(data, pos, end, h.Fields[i].Name)) damaged("field names past the header");
  if (h.HasExtension) {
    pos += 2 * static_cast<size_t>(numFields);  // field numbers
    if (ReadCString(data, pos, end, h.SortOrderId) &&
        (h.FileType == kCompositeX || h.FileType == kCompositeXInc))
      ReadCString(data, pos, end, h.IndexName);
  }
}

void CheckBlockCounts(const std::string& file, uint64_t fileSize, const TPxHeader& h) {
  auto damaged = [&](const std::string& why) { ThrowDamagedHeader(file, why); };
  // Block bookkeeping must fit the file: a header that lies about it is refused up front.
  const TPxCounts& c = h.Counts;
  // The last block may be cut short after its records (seen in real files).
  const uint64_t physicalBlocks = (fileSize - h.HeaderSize + h.BlockSize - 1) / h.BlockSize;
  if (c.FileBlocks > physicalBlocks)
    ThrowTableError(file, "file is truncated (header lists " + std::to_string(c.FileBlocks) +
                              " blocks, the file holds " + std::to_string(physicalBlocks) + ")");
  if (c.FirstBlock > c.FileBlocks || c.LastBlock > c.FileBlocks)
    damaged("block number past the last block");
  const uint64_t perBlock = (h.BlockSize - kBlockHeaderSize) / h.RecordSize;
  if (c.NumRecords > perBlock * c.FileBlocks)
    damaged("header claims " + std::to_string(c.NumRecords) + " records, the blocks hold at most " +
            std::to_string(perBlock * c.FileBlocks));
  if (c.NumRecords > 0 && c.FirstBlock == 0) damaged("records but no first block");
}

}  // namespace

// The most a header can need: 255 fields with 25-character names, their pointers and
// numbers, the table name and the sort order, in Paradox's 2 KB header units.
constexpr size_t kMaxHeaderSize = 0x2800;

void ParseHeader(const std::string& file, const uint8_t* data, size_t len, uint64_t fileSize,
                 TPxHeader& h, bool allowIndexFiles) {
  auto damaged = [&](const std::string& why) { ThrowDamagedHeader(file, why); };
  if (len < hdr::kFixedEnd) ThrowTableError(file, "not a Paradox table (file too short)");
  h = TPxHeader();
  h.RecordSize = GetU16(data + hdr::kRecordSize);
  h.HeaderSize = GetU16(data + hdr::kHeaderSize);
  h.FileType = data[hdr::kFileType];
  const uint8_t blockCode = data[hdr::kBlockCode];
  h.Version = data[hdr::kVersion];

  if (h.FileType > kCompositeXInc)
    ThrowTableError(file,
                    "not a Paradox table (unknown file type " + std::to_string(h.FileType) + ")");
  if (h.FileType != kKeyedTable && h.FileType != kUnkeyedTable &&
      !(allowIndexFiles && IsTableLayout(h.FileType)))
    ThrowTableError(file, "is a Paradox index file, not a table");
  if (h.Version < 3 || h.Version > 15)
    ThrowTableError(file,
                    "not a Paradox table (unknown version byte " + std::to_string(h.Version) + ")");
  if (blockCode < 1 || blockCode > 32) damaged("block size code " + std::to_string(blockCode));
  h.BlockSize = blockCode * 1024u;
  if (h.RecordSize == 0) damaged("record size 0");
  if (h.RecordSize + kBlockHeaderSize > h.BlockSize)
    damaged("record size " + std::to_string(h.RecordSize) + " exceeds the block size");

  h.HasExtension = h.Version >= 5 && IsTableLayout(h.FileType);
  const size_t base = h.HasExtension ? hdr::kExtEnd : hdr::kFixedEnd;
  if (h.HeaderSize < base) damaged("header size " + std::to_string(h.HeaderSize));
  if (h.HeaderSize > kMaxHeaderSize)
    damaged("impossible header size " + std::to_string(h.HeaderSize));
  if (h.HeaderSize > fileSize) ThrowTableError(file, "file is truncated (inside the header)");
  if (len < base) ThrowTableError(file, "file is truncated (inside the header)");
  const size_t end = std::min<size_t>(len, h.HeaderSize);

  const int numFields = static_cast<int16_t>(GetU16(data + hdr::kNumFields));
  if (numFields < 1 || numFields > 255) damaged("field count " + std::to_string(numFields));
  // Each field takes at least one byte of the record and, in the header, its type and size,
  // a name pointer, a field number and a name's terminating NUL.
  const size_t leastHeader = base + 4 + (h.Version >= 12 ? 261 : 79) +
                             (2 + 4 + 1 + (h.HasExtension ? 2 : 0)) * size_t(numFields);
  if (numFields > h.RecordSize || leastHeader > h.HeaderSize)
    damaged("impossible field count " + std::to_string(numFields) + " for a record of " +
            std::to_string(h.RecordSize) + " bytes and a header of " +
            std::to_string(h.HeaderSize));
  h.KeyFields = static_cast<int16_t>(GetU16(data + hdr::kKeyFields));
  if (h.KeyFields < 0 || h.KeyFields > numFields)
    damaged("key field count " + std::to_string(h.KeyFields));
  if (h.FileType == kUnkeyedTable) h.KeyFields = 0;

  const uint32_t enc1 = GetU32(data + hdr::kEncryption1);
  h.Encryption =
      (h.HasExtension && enc1 == kEncryptedMarker) ? GetU32(data + hdr::kEncryption2) : enc1;
  if (h.HasExtension) h.CodePage = GetU16(data + hdr::kCodePage);
  h.SortOrder = data[hdr::kSortOrder];
  h.IndexFieldNumber = data[hdr::kIndexFieldNumber];
  h.IndexDirection = data[0x55];
  h.Counts = ParseCounts(data, h.HasExtension);

  ParseFields(file, data, base, end, numFields, h);
  CheckBlockCounts(file, fileSize, h);
}

std::string VersionName(uint8_t v) {
  if (v == 3) return "Paradox 3.0";
  if (v == 4) return "Paradox 3.5";
  if (v <= 9) return "Paradox 4.x";
  if (v <= 11) return "Paradox 5.x";
  return "Paradox 7.x";
}

}  // namespace lw::paradox
