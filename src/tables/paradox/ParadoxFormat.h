#pragma once

// Layout facts of Paradox .db/.px files: header offsets, field kinds and the parsed header.
// How the files fit together, the pitfalls of real files and the tests that cover them:
// docs/formats/paradox.md.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FieldType.h"

namespace lw::paradox {

// Header offsets (little-endian control data).
namespace hdr {
constexpr size_t kRecordSize = 0x00;
constexpr size_t kHeaderSize = 0x02;
constexpr size_t kFileType = 0x04;
constexpr size_t kBlockCode = 0x05;
constexpr size_t kNumRecords = 0x06;
constexpr size_t kBlocksInUse = 0x0A;
constexpr size_t kFileBlocks = 0x0C;
constexpr size_t kFirstBlock = 0x0E;
constexpr size_t kLastBlock = 0x10;
constexpr size_t kChangeCount = 0x12;
constexpr size_t kIndexFieldNumber = 0x15;
constexpr size_t kIndexRoot = 0x1E;
constexpr size_t kIndexLevels = 0x20;
constexpr size_t kNumFields = 0x21;
constexpr size_t kKeyFields = 0x23;
constexpr size_t kEncryption1 = 0x25;
constexpr size_t kSortOrder = 0x29;
constexpr size_t kVersion = 0x39;
constexpr size_t kMaxBlocks = 0x3A;
constexpr size_t kAutoInc = 0x49;
constexpr size_t kFirstFreeBlock = 0x4D;
constexpr size_t kRealHeaderSize = 0x51;
constexpr size_t kFixedEnd = 0x58;  // end of the part every file has
// Extension of .db/.Xnn files from version 4 on.
constexpr size_t kVersionWords = 0x58;
constexpr size_t kEncryption2 = 0x5C;
constexpr size_t kUpdateStamp = 0x60;
constexpr size_t kHiFieldId = 0x64;
constexpr size_t kHiFieldIdInfo = 0x66;
constexpr size_t kCodePage = 0x6A;
constexpr size_t kExtEnd = 0x78;
}  // namespace hdr

constexpr uint32_t kEncryptedMarker = 0xFF00FF00;
constexpr size_t kBlockHeaderSize = 6;

enum TFileType : uint8_t {
  kKeyedTable = 0,
  kPrimaryIndex = 1,
  kUnkeyedTable = 2,
  kSecondaryX = 3,
  kSecondaryY = 4,
  kSecondaryXInc = 5,
  kCompositeX = 6,
  kCompositeY = 7,
  kCompositeXInc = 8,
};

// Field type codes as stored in the header.
enum TPxType : uint8_t {
  pxAlpha = 0x01,
  pxDate = 0x02,
  pxShort = 0x03,
  pxLong = 0x04,
  pxCurrency = 0x05,
  pxNumber = 0x06,
  pxLogical = 0x09,
  pxMemo = 0x0C,
  pxBlob = 0x0D,
  pxFmtMemo = 0x0E,
  pxOle = 0x0F,
  pxGraphic = 0x10,
  pxTime = 0x14,
  pxTimestamp = 0x15,
  pxAutoInc = 0x16,
  pxBcd = 0x17,
  pxBytes = 0x18,
};

constexpr int kBcdWidth = 17;
constexpr int kBlobDescriptor = 10;  // bytes after the leader of a blob field
constexpr int kMaxFieldNameLength = 25;

// The engine's kind for a stored type code; ftUnknown for codes the format does not define.
TFieldType FieldTypeOf(uint8_t pxType);
// The stored type code for an engine kind; 0 when Paradox has no such kind.
uint8_t PxTypeOf(TFieldType type);
// Stored width of a fixed-size type, 0 for types whose width comes from the size byte.
int FixedWidth(uint8_t pxType);
inline bool IsBlobPxType(uint8_t pxType) {
  return pxType == pxMemo || pxType == pxBlob || pxType == pxFmtMemo || pxType == pxOle ||
         pxType == pxGraphic;
}

struct TPxField {
  std::string Name;
  uint8_t Type = 0;      // TPxType
  uint8_t SizeByte = 0;  // as stored: width, or decimals for BCD
  int Width = 0;         // bytes in the record
  int Offset = 0;        // offset in the record
  TFieldType DataType = ftUnknown;
};

// The counters a writer changes; re-read before every write and on Refresh.
struct TPxCounts {
  uint32_t NumRecords = 0;
  uint16_t BlocksInUse = 0;
  uint16_t FileBlocks = 0;
  uint16_t FirstBlock = 0;
  uint16_t LastBlock = 0;
  uint32_t AutoInc = 0;
  uint16_t FirstFreeBlock = 0;
  uint32_t Stamp = 0;  // structure stamp (extension files only)
  bool operator==(const TPxCounts&) const = default;
};

struct TPxHeader {
  uint16_t RecordSize = 0;
  uint16_t HeaderSize = 0;
  uint8_t FileType = 0;
  uint32_t BlockSize = 0;
  uint8_t Version = 0;  // file version byte (3 = 3.0 ... 12 = 7.x)
  bool HasExtension = false;
  int KeyFields = 0;
  uint32_t Encryption = 0;  // password checksum, 0 = not encrypted
  int CodePage = 0;
  uint8_t SortOrder = 0;
  std::string SortOrderId;
  std::string IndexName;  // composite secondary indexes only
  int IndexFieldNumber = 0;
  uint8_t IndexDirection = 0;
  TPxCounts Counts;
  std::vector<TPxField> Fields;
};

uint16_t GetU16(const uint8_t* p);
uint32_t GetU32(const uint8_t* p);
void PutU16(uint8_t* p, uint16_t v);
void PutU32(uint8_t* p, uint32_t v);

// Reads the counters from the first bytes of a header (at least kFixedEnd, or kExtEnd for
// files with the extension).
TPxCounts ParseCounts(const uint8_t* head, bool hasExtension);
// Parses a whole header. `data` holds the first `len` bytes of the file; `fileSize` is the
// full size. Throws EDatabaseError naming `file` when the header is damaged or not a table.
// `allowIndexFiles` accepts secondary-index files (.Xnn/.XGn), which have a table layout.
void ParseHeader(const std::string& file, const uint8_t* data, size_t len, uint64_t fileSize,
                 TPxHeader& out, bool allowIndexFiles = false);

std::string VersionName(uint8_t versionByte);  // "Paradox 7.x", ...

}  // namespace lw::paradox
