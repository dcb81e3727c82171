#include "DbaseFormat.h"

#include <algorithm>
#include <cstdio>

#include "DatabaseError.h"
#include "PosixFile.h"

namespace lw::dbase {

namespace {

std::string Hex(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

struct TVersionInfo {
  uint8_t Byte;
  const char* Name;
  TMemoKind Memo;
  bool VisualFoxPro;
};

// The version bytes of the dBase III-style layout (32-byte descriptors) that we read.
constexpr TVersionInfo kVersions[] = {
    {0x03, "dBase III", TMemoKind::None, false},
    {0x05, "dBase 5", TMemoKind::None, false},
    {0x07, "Visual Objects", TMemoKind::None, false},
    {0x30, "Visual FoxPro", TMemoKind::FoxPro, true},
    {0x31, "Visual FoxPro with auto-increment", TMemoKind::FoxPro, true},
    {0x32, "Visual FoxPro with varchar", TMemoKind::FoxPro, true},
    {0x43, "dBase IV SQL table", TMemoKind::None, false},
    {0x63, "dBase IV SQL system table", TMemoKind::None, false},
    {0x7B, "dBase IV with memo", TMemoKind::DbaseIV, false},
    {0x83, "dBase III+ with memo", TMemoKind::DbaseIII, false},
    {0x87, "Visual Objects with memo", TMemoKind::DbaseIII, false},
    {0x8B, "dBase IV with memo", TMemoKind::DbaseIV, false},
    {0x8E, "dBase IV SQL table with memo", TMemoKind::DbaseIV, false},
    {0xCB, "dBase IV SQL table with memo", TMemoKind::DbaseIV, false},
    {0xE5, "Clipper SIX with SMT memo", TMemoKind::Smt, false},
    {0xF5, "FoxPro 2.x with memo", TMemoKind::FoxPro, false},
    {0xFB, "FoxBASE", TMemoKind::None, false},
};

const TVersionInfo* FindVersion(uint8_t b) {
  for (const auto& v : kVersions)
    if (v.Byte == b) return &v;
  return nullptr;
}

bool IsMemoPointerLetter(char c, bool vfp) {
  return c == 'M' || c == 'G' || c == 'P' || c == 'W' || (c == 'B' && !vfp);
}

// Field kind of a descriptor; also checks the widths that a binary encoding fixes.
TFieldType MapType(const std::string& file, TDbaseField& f, bool vfp) {
  auto requireWidth = [&](int w) {
    if (f.Width != w)
      ThrowTableError(file, "field '" + f.Name + "' of type '" + std::string(1, f.Letter) +
                                "' has width " + std::to_string(f.Width) + ", expected " +
                                std::to_string(w));
  };
  switch (f.Letter) {
    case 'C':
      return ftString;
    case 'N':
    case 'F':
      // Widths past 20 digits are written by real programs (50 is seen); the record-length
      // check is what stops a width the record cannot hold.
      if (f.Width < 1)
        ThrowTableError(file,
                        "numeric field '" + f.Name + "' has width " + std::to_string(f.Width));
      // Whole numbers narrow enough for the engine's integer kinds keep an integer type;
      // everything else is a float (a double holds every value of 15 significant digits).
      if (f.Decimals == 0 && f.Width <= 4) return ftSmallint;
      if (f.Decimals == 0 && f.Width <= 9) return ftInteger;
      return ftFloat;
    case 'L':
      requireWidth(1);
      return ftBoolean;
    case 'D':
      requireWidth(8);
      return ftDate;
    case 'M':
      return (f.Flags & kFlagBinary) && vfp ? ftBlob : ftMemo;
    case 'G':
      return ftDBaseOle;
    case 'P':
      return ftGraphic;
    case 'W':
      return ftBlob;
    case 'B':
      if (vfp) {
        requireWidth(8);
        return ftFloat;
      }
      return ftBlob;
    case 'I':
      requireWidth(4);
      return (f.Flags & 0x0C) == 0x0C ? ftAutoInc : ftInteger;
    case '+':
      requireWidth(4);
      return ftAutoInc;
    case 'Y':
      requireWidth(8);
      return ftCurrency;
    case 'T':
    case '@':
      requireWidth(8);
      return ftDateTime;
    case 'O':
      requireWidth(8);
      return ftFloat;
    case 'V':
      return ftString;
    case 'Q':
      return ftVarBytes;
    default:
      return ftBytes;
  }
}

}  // namespace

bool TDbaseHeader::HasMemoFields() const {
  return std::any_of(Fields.begin(), Fields.end(), [&](const TDbaseField& f) {
    return IsMemoPointerLetter(f.Letter, VisualFoxPro);
  });
}

std::string DbaseVersionName(uint8_t version) {
  if (const TVersionInfo* v = FindVersion(version)) return v->Name;
  return "unknown dBase variant";
}

int CodePageFromLanguageDriver(uint8_t ldid) {
  struct TPair {
    uint8_t Id;
    int CodePage;
  };
  // From the language driver tables of dBase, FoxPro and ArcGIS.
  static constexpr TPair kTable[] = {
      {0x01, 437},   {0x02, 850},   {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},
      {0x0A, 850},   {0x0B, 437},   {0x0D, 437},  {0x0E, 850},   {0x0F, 437},  {0x10, 850},
      {0x11, 437},   {0x12, 850},   {0x13, 932},  {0x14, 850},   {0x15, 437},  {0x16, 850},
      {0x17, 865},   {0x18, 437},   {0x19, 437},  {0x1A, 850},   {0x1B, 437},  {0x1C, 863},
      {0x1D, 850},   {0x1F, 852},   {0x22, 852},  {0x23, 852},   {0x24, 860},  {0x25, 850},
      {0x26, 866},   {0x37, 850},   {0x40, 852},  {0x4D, 936},   {0x4E, 949},  {0x4F, 950},
      {0x50, 874},   {0x57, 1252},  {0x58, 1252}, {0x59, 1252},  {0x64, 852},  {0x65, 866},
      {0x66, 865},   {0x67, 861},   {0x68, 895},  {0x69, 620},   {0x6A, 737},  {0x6B, 857},
      {0x6C, 863},   {0x78, 950},   {0x79, 949},  {0x7A, 936},   {0x7B, 932},  {0x7C, 874},
      {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},  {0x87, 852},   {0x88, 857},  {0x96, 10007},
      {0x97, 10029}, {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251},  {0xCA, 1254}, {0xCB, 1253},
      {0xCC, 1257},
  };
  for (const auto& p : kTable)
    if (p.Id == ldid) return p.CodePage;
  return 0;
}

namespace {

// The fixed 32 bytes: version, counts, lengths; refuses variants we do not read.
TDbaseHeader ReadFixedPart(const TPosixFile& file) {
  const std::string& path = file.Path();
  const uint64_t fileSize = file.Size();
  if (fileSize < kHeaderSize) ThrowTableError(path, "file is too short to be a dBase table");

  uint8_t h[kHeaderSize];
  file.ReadAt(0, h, sizeof h);
  TDbaseHeader hdr;
  hdr.Version = h[0];
  const TVersionInfo* info = FindVersion(hdr.Version);
  if (!info) {
    if (hdr.Version == 0x02)
      ThrowTableError(path,
                      "dBase II table (version byte 0x02); dBase II tables are not supported");
    if ((hdr.Version & 0x07) == 0x04)
      ThrowTableError(path, "dBase 7 table (version byte " + Hex(hdr.Version) +
                                "); dBase 7 tables are not supported");
    ThrowTableError(path, "not a dBase table (unknown version byte " + Hex(hdr.Version) + ")");
  }
  hdr.VisualFoxPro = info->VisualFoxPro;
  hdr.Memo = info->Memo;
  hdr.UpdateYear = h[1];
  hdr.UpdateMonth = h[2];
  hdr.UpdateDay = h[3];
  hdr.RecordCount = GetU32LE(h + 4);
  hdr.HeaderLength = GetU16LE(h + 8);
  hdr.StoredRecordLength = GetU16LE(h + 10);
  hdr.TableFlags = h[28];
  hdr.LanguageDriver = h[29];
  if (h[15] == 0x01 && !hdr.VisualFoxPro)
    ThrowTableError(path, "table is encrypted (dBase IV encryption is not supported)");

  if (hdr.HeaderLength < kHeaderSize)
    ThrowTableError(path, "damaged header: header length " + std::to_string(hdr.HeaderLength) +
                              " is too small");
  // 32 bytes per field for Clipper's 1024 fields, the terminator and Visual FoxPro's
  // back link: a longer header is no header at all, whatever the file size.
  constexpr int kMaxHeaderLength = kHeaderSize + 1024 * kDescriptorSize + 1 + 263;
  if (hdr.HeaderLength > kMaxHeaderLength)
    ThrowTableError(path,
                    "damaged header: impossible header length " + std::to_string(hdr.HeaderLength));
  if (static_cast<uint64_t>(hdr.HeaderLength) > fileSize)
    ThrowTableError(path, "file is truncated: header length " + std::to_string(hdr.HeaderLength) +
                              " exceeds the file size " + std::to_string(fileSize));
  return hdr;
}

// Descriptors end at the 0x0D terminator (0x0A in some files) or where the header ends;
// the field offsets stored in them are unreliable and are computed from the widths later.
void ReadDescriptors(const TPosixFile& file, TDbaseHeader& hdr) {
  std::vector<uint8_t> desc(static_cast<size_t>(hdr.HeaderLength - kHeaderSize));
  if (!desc.empty()) file.ReadAt(kHeaderSize, desc.data(), desc.size());

  size_t pos = 0;
  while (pos + kDescriptorSize <= desc.size()) {
    const uint8_t* d = desc.data() + pos;
    if (d[0] == kHeaderEnd || d[0] == 0x0A || d[0] == 0x00) break;
    TDbaseField f;
    size_t nameLen = 0;
    while (nameLen < 11 && d[nameLen] != 0) ++nameLen;
    f.Name.assign(reinterpret_cast<const char*>(d), nameLen);
    while (!f.Name.empty() && f.Name.back() == ' ') f.Name.pop_back();
    f.Letter = static_cast<char>(d[11]);
    f.Width = d[16];
    f.Decimals = d[17];
    f.Flags = hdr.VisualFoxPro ? d[18] : 0;
    hdr.Fields.push_back(std::move(f));
    pos += kDescriptorSize;
  }
}

// Clipper and FoxPro store the high byte of a long C field's width in the decimals byte;
// honour it only when the widths then add up to the record length. Sets RecordLength.
void ResolveRecordLength(const std::string& path, TDbaseHeader& hdr) {
  auto total = [&](bool wideText) {
    int64_t sum = 0;
    for (const auto& f : hdr.Fields)
      sum += f.Width + (wideText && f.Letter == 'C' ? 256 * f.Decimals : 0);
    return sum;
  };
  const int64_t plain = total(false);
  const int64_t wide = total(true);
  const int64_t stored = hdr.StoredRecordLength;
  bool useWide = wide != plain && (stored == wide + 1 || stored == wide) && stored != plain + 1 &&
                 stored != plain;
  int64_t sum = useWide ? wide : plain;
  for (auto& f : hdr.Fields) {
    if (f.Letter == 'C') {
      if (useWide) f.Width += 256 * f.Decimals;
      f.Decimals = 0;
    }
  }

  if (stored == 0 && sum == 0) ThrowTableError(path, "damaged header: record length is 0");
  if (stored < sum)
    ThrowTableError(path, "damaged header: record length " + std::to_string(stored) +
                              " is shorter than its fields (" + std::to_string(sum + 1) +
                              " bytes)");
  // Some writers leave the deletion flag out of the record length.
  hdr.RecordLength = static_cast<int>(stored == sum ? sum + 1 : stored);
}

// Offsets from the widths (byte 0 is the deletion flag), kinds, and the hidden _NullFlags
// field of Visual FoxPro.
void PlaceFields(const std::string& path, TDbaseHeader& hdr) {
  int offset = 1;
  for (auto& f : hdr.Fields) {
    f.Offset = offset;
    offset += f.Width;
    if (f.Letter == '0' && hdr.VisualFoxPro) {
      f.Hidden = true;
      if (hdr.NullFlagsOffset < 0) {
        hdr.NullFlagsOffset = f.Offset;
        hdr.NullFlagsWidth = f.Width;
      }
      f.Type = ftBytes;
      continue;
    }
    f.Type = MapType(path, f, hdr.VisualFoxPro);
    if (IsMemoPointerLetter(f.Letter, hdr.VisualFoxPro)) {
      if (f.Width == 4)
        f.BinaryMemoPointer = true;
      else if (f.Width < 1 || f.Width > 10)
        ThrowTableError(path, "memo field '" + f.Name + "' has width " + std::to_string(f.Width));
    }
  }
}

// Visual FoxPro numbers the bits of the hidden _NullFlags field in field order: a V or Q
// field takes a length bit, then a nullable field (the same one or a later one) a null bit.
void NumberNullFlags(TDbaseHeader& hdr) {
  if (hdr.NullFlagsOffset < 0) return;
  const int bits = hdr.NullFlagsWidth * 8;
  int bit = 0;
  for (auto& f : hdr.Fields) {
    if (f.Hidden) continue;
    if (f.Letter == 'V' || f.Letter == 'Q') {
      if (bit < bits) f.LengthBit = bit;
      ++bit;
    }
    if (f.Flags & kFlagNullable) {
      if (bit < bits) f.NullBit = bit;
      ++bit;
    }
  }
}

}  // namespace

TDbaseHeader ReadDbaseHeader(const TPosixFile& file) {
  TDbaseHeader hdr = ReadFixedPart(file);
  ReadDescriptors(file, hdr);
  ResolveRecordLength(file.Path(), hdr);
  PlaceFields(file.Path(), hdr);
  NumberNullFlags(hdr);
  return hdr;
}

}  // namespace lw::dbase
