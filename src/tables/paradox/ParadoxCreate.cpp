// Creating Paradox tables and changing their master password.

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "DatabaseError.h"
#include "ParadoxBlobFile.h"
#include "ParadoxCrypt.h"
#include "ParadoxFiles.h"
#include "ParadoxFormat.h"
#include "ParadoxPrimaryIndex.h"
#include "TableCodec.h"

namespace lw {

namespace {

using namespace paradox;

constexpr uint8_t kWriteVersion = 12;  // 7.x
constexpr int kWriteCodePage = 1252;
constexpr char kSortOrderId[] = "ascii";  // keys sort by their stored bytes
constexpr size_t kTableNameLength = 261;
constexpr int kMaxLeader = 240;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string BaseName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::vector<std::string> SplitNames(const std::string& list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    while (!name.empty() && name.front() == ' ') name.erase(name.begin());
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!name.empty()) out.push_back(name);
    start = end + 1;
  }
  return out;
}

// The stored form of each field; throws for what a Paradox table cannot hold.
std::vector<TPxField> StoredFields(const std::string& path, const std::vector<TFieldDef>& defs) {
  if (defs.empty()) ThrowTableError(path, "a table needs at least one field");
  if (defs.size() > 255) ThrowTableError(path, "a Paradox table holds at most 255 fields");
  std::vector<TPxField> out;
  int offset = 0;
  for (const TFieldDef& d : defs) {
    auto fail = [&](const std::string& why) {
      ThrowTableError(path, "field \"" + d.Name + "\": " + why);
    };
    if (d.Name.empty()) ThrowTableError(path, "a field has no name");
    if (d.Name.size() > kMaxFieldNameLength)
      fail("name longer than " + std::to_string(kMaxFieldNameLength) + " characters");
    if (d.Name.find('\0') != std::string::npos) fail("name contains a NUL character");
    for (const TPxField& f : out)
      if (Lower(f.Name) == Lower(d.Name)) fail("duplicate field name");
    TPxField f;
    f.Name = d.Name;
    f.DataType = d.DataType;
    f.Type = PxTypeOf(d.DataType);
    if (!f.Type) fail("this kind of field cannot be stored in a Paradox table");
    if (f.Type == pxAlpha || f.Type == pxBytes) {
      if (d.Size < 1 || d.Size > 255) fail("size must be 1 to 255");
      f.SizeByte = static_cast<uint8_t>(d.Size);
      f.Width = d.Size;
    } else if (f.Type == pxBcd) {
      if (d.Size < 0 || d.Size > 32) fail("BCD decimals must be 0 to 32");
      f.SizeByte = static_cast<uint8_t>(d.Size);
      f.Width = kBcdWidth;
    } else if (IsBlobPxType(f.Type)) {
      int leader = d.Size;
      // Paradox requires a memo to keep at least one character in the record.
      if ((f.Type == pxMemo || f.Type == pxFmtMemo) && leader < 1) leader = 1;
      if (leader < 0 || leader > kMaxLeader)
        fail("size must be 0 to " + std::to_string(kMaxLeader));
      f.Width = leader + kBlobDescriptor;
      f.SizeByte = static_cast<uint8_t>(f.Width);
    } else {
      f.Width = FixedWidth(f.Type);
      f.SizeByte = static_cast<uint8_t>(f.Width);
    }
    f.Offset = offset;
    offset += f.Width;
    out.push_back(f);
  }
  return out;
}

int KeyFieldCount(const std::string& path, const std::vector<TPxField>& fields,
                  const std::vector<TIndexDef>& indexes) {
  for (const TIndexDef& ix : indexes) {
    if (!(ix.Options & ixPrimary)) continue;
    std::vector<std::string> names = SplitNames(ix.Fields);
    if (names.empty()) ThrowTableError(path, "the primary index names no fields");
    if (names.size() > fields.size())
      ThrowTableError(path, "the primary index names unknown fields");
    for (size_t i = 0; i < names.size(); ++i) {
      if (Lower(names[i]) != Lower(fields[i].Name))
        ThrowTableError(path,
                        "primary key fields must be the first fields of the table, in order (\"" +
                            names[i] + "\")");
      if (IsBlobPxType(fields[i].Type))
        ThrowTableError(path,
                        "field \"" + fields[i].Name + "\": a blob field cannot be part of the key");
    }
    return static_cast<int>(names.size());
  }
  return 0;
}

// Block size: big enough that the 65535-block limit allows a couple of million records.
uint8_t ChooseBlockCode(size_t recordSize) {
  for (uint8_t code : {4, 16, 32}) {
    const size_t perBlock = (code * 1024u - kBlockHeaderSize) / recordSize;
    if (perBlock * 0xFFFF >= 2000000) return code;
  }
  return 32;
}

std::vector<uint8_t> TableHeader(const std::string& path, const std::vector<TPxField>& fields,
                                 int keyFields, uint8_t blockCode, uint32_t key) {
  const size_t n = fields.size();
  size_t names = 0;
  for (const TPxField& f : fields) names += f.Name.size() + 1;
  const size_t sortLen = sizeof kSortOrderId;  // with its NUL
  const size_t real = hdr::kExtEnd + n * 2 + 4 + n * 4 + kTableNameLength + names + n * 2 + sortLen;
  const size_t headerSize = (real + 0x7FF) / 0x800 * 0x800;
  size_t recordSize = 0;
  for (const TPxField& f : fields) recordSize += f.Width;

  std::vector<uint8_t> h(headerSize, 0);
  PutU16(&h[hdr::kRecordSize], static_cast<uint16_t>(recordSize));
  PutU16(&h[hdr::kHeaderSize], static_cast<uint16_t>(headerSize));
  h[hdr::kFileType] = keyFields ? kKeyedTable : kUnkeyedTable;
  h[hdr::kBlockCode] = blockCode;
  PutU16(&h[hdr::kChangeCount], 1);
  PutU16(&h[hdr::kNumFields], static_cast<uint16_t>(n));
  PutU16(&h[hdr::kKeyFields], static_cast<uint16_t>(keyFields));
  PutU32(&h[hdr::kEncryption1], kEncryptedMarker);
  h[hdr::kSortOrder] = 0;
  h[hdr::kVersion] = kWriteVersion;
  h[0x3E] = 0x1F;  // constant in every table header
  h[0x3F] = 0x0F;
  PutU16(&h[hdr::kRealHeaderSize], static_cast<uint16_t>(real));
  h[0x56] = 0x20;
  PutU16(&h[hdr::kVersionWords], 0x0100 | kWriteVersion);
  PutU16(&h[hdr::kVersionWords + 2], 0x0100 | kWriteVersion);
  PutU32(&h[hdr::kEncryption2], key);
  PutU16(&h[hdr::kHiFieldId], static_cast<uint16_t>(n + 1));
  PutU16(&h[hdr::kHiFieldIdInfo],
         static_cast<uint16_t>(0x20 + n * 6 + 4 + kTableNameLength + names));
  PutU16(&h[hdr::kCodePage], kWriteCodePage);
  h[0x6C] = 0x01;
  h[0x6D] = 0x01;
  PutU16(&h[0x6E],
         static_cast<uint16_t>(0x18 + n * 8 + 4 + kTableNameLength + names + sortLen - 1));
  size_t pos = hdr::kExtEnd;
  for (const TPxField& f : fields) {
    h[pos++] = f.Type;
    h[pos++] = f.SizeByte;
  }
  pos += 4 + n * 4;  // run-time pointers
  const std::string table = BaseName(path);
  std::memcpy(&h[pos], table.data(), std::min(table.size(), kTableNameLength - 1));
  pos += kTableNameLength;
  for (const TPxField& f : fields) {
    std::memcpy(&h[pos], f.Name.data(), f.Name.size());
    pos += f.Name.size() + 1;
  }
  for (size_t i = 0; i < n; ++i, pos += 2) PutU16(&h[pos], static_cast<uint16_t>(i + 1));
  std::memcpy(&h[pos], kSortOrderId, sortLen);
  return h;
}

// Opens an existing table file for rewriting, refusing when someone has it open.
TPosixFile OpenForRewrite(const std::string& path) {
  TPosixFile f(path, TPosixFile::Mode::ReadWrite);
  f.LockExclusive();
  return f;
}

void ReplaceFile(const std::string& temp, const std::string& path) {
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    ThrowTableError(path, "cannot replace the file");
  }
}

}  // namespace

void CreateParadoxTable(const std::string& path, const std::vector<TFieldDef>& fields,
                        const std::vector<TIndexDef>& indexes, const std::string& password) {
  const std::vector<TPxField> stored = StoredFields(path, fields);
  const int keyFields = KeyFieldCount(path, stored, indexes);
  size_t recordSize = 0;
  for (const TPxField& f : stored) recordSize += f.Width;
  if (recordSize + kBlockHeaderSize > 32 * 1024)
    ThrowTableError(path, "record too long (" + std::to_string(recordSize) + " bytes)");
  const uint8_t blockCode = ChooseBlockCode(recordSize);
  const uint32_t key = PasswordChecksum(password);
  const std::vector<uint8_t> header = TableHeader(path, stored, keyFields, blockCode, key);

  std::error_code ec;
  TPosixFile file = std::filesystem::exists(path, ec) ? OpenForRewrite(path)
                                                      : TPosixFile(path, TPosixFile::Mode::Create);
  for (const std::string& old : FindReplaceableCompanions(path)) std::remove(old.c_str());
  file.Truncate(0);
  file.WriteAt(0, header.data(), header.size());

  bool blobs = false;
  for (const TPxField& f : stored) blobs = blobs || IsBlobPxType(f.Type);
  if (blobs) TBlobFile::Create(CompanionName(path, "mb"), key);
  if (keyFields) {
    TPrimaryIndexSpec layout;
    layout.KeyFields.assign(stored.begin(), stored.begin() + keyFields);
    for (const TPxField& f : layout.KeyFields) layout.KeySize += f.Width;
    layout.BlockCode = blockCode;
    layout.Version = kWriteVersion;
    layout.TableName = BaseName(CompanionName(path, "px"));
    TPrimaryIndexFile(CompanionName(path, "px"), layout).Rewrite(0, nullptr, nullptr);
  }
}

void SetParadoxMasterPassword(const std::string& path, const std::string& password,
                              const std::vector<std::string>& knownPasswords) {
  TPosixFile file = OpenForRewrite(path);
  const uint64_t size = file.Size();
  std::vector<uint8_t> head(std::min<uint64_t>(size, 0x10000));
  file.ReadAt(0, head.data(), head.size());
  TPxHeader h;
  ParseHeader(path, head.data(), head.size(), size, h);
  const uint32_t oldKey = h.Encryption;
  if (oldKey) {
    bool known = false;
    for (const std::string& p : knownPasswords) known = known || PasswordChecksum(p) == oldKey;
    if (!known) ThrowTableError(path, kPasswordMissing);
  }
  const uint32_t newKey = PasswordChecksum(password);
  if (newKey == oldKey) return;

  // New files beside the old ones, renamed over them when complete.
  std::vector<uint8_t> newHead(head.begin(), head.begin() + h.HeaderSize);
  if (h.HasExtension) {
    PutU32(&newHead[hdr::kEncryption1], kEncryptedMarker);
    PutU32(&newHead[hdr::kEncryption2], newKey);
  } else {
    PutU32(&newHead[hdr::kEncryption1], newKey);
  }
  const std::string tempDb = path + ".tmp~";
  {
    TPosixFile out(tempDb, TPosixFile::Mode::Create);
    out.WriteAt(0, newHead.data(), newHead.size());
    std::vector<uint8_t> block(h.BlockSize);
    for (uint32_t b = 1; b <= h.Counts.FileBlocks; ++b) {
      const uint64_t offset = h.HeaderSize + uint64_t{b - 1} * h.BlockSize;
      file.ReadAt(offset, block.data(), block.size());
      if (oldKey) DecryptDataBlock(block.data(), block.size(), oldKey, b);
      if (newKey) EncryptDataBlock(block.data(), block.size(), newKey, b);
      out.WriteAt(offset, block.data(), block.size());
    }
  }
  const std::string mb = FindCompanion(path, "mb");
  std::string tempMb;
  if (!mb.empty()) {
    tempMb = mb + ".tmp~";
    TPosixFile in(mb, TPosixFile::Mode::Read);
    TPosixFile out(tempMb, TPosixFile::Mode::Create);
    const uint64_t mbSize = in.Size() / kCryptChunk * kCryptChunk;
    std::vector<uint8_t> buf(1 << 20);
    for (uint64_t pos = 0; pos < mbSize; pos += buf.size()) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), mbSize - pos));
      in.ReadAt(pos, buf.data(), n);
      if (oldKey) DecryptBlobRange(buf.data(), n, oldKey);
      if (newKey) EncryptBlobRange(buf.data(), n, newKey);
      out.WriteAt(pos, buf.data(), n);
    }
  }
  if (!tempMb.empty()) ReplaceFile(tempMb, mb);
  ReplaceFile(tempDb, path);
}

}  // namespace lw
