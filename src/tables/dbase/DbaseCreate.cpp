#include "DbaseCreate.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "DatabaseError.h"
#include "DbaseFormat.h"
#include "DbaseMemo.h"
#include "PosixFile.h"
#include "TableCodec.h"

namespace lw {

namespace dbase {

namespace {

constexpr int kMaxFields = 255;
constexpr int kMaxNameLength = 10;
constexpr int kMaxTextWidth = 254;
constexpr int kMaxNumberWidth = 20;
constexpr int kMaxDecimals = 15;
constexpr int kDefaultNumberWidth = 19;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TDbaseColumn Number(const std::string& path, const TFieldDef& def, int width, int decimals) {
  if (width < 1 || width > kMaxNumberWidth)
    ThrowTableError(path, "field '" + def.Name + "': a number field can be 1 to " +
                              std::to_string(kMaxNumberWidth) + " characters wide, not " +
                              std::to_string(width));
  if (decimals < 0 || decimals > kMaxDecimals || (decimals > 0 && decimals > width - 2))
    ThrowTableError(path, "field '" + def.Name + "': " + std::to_string(decimals) +
                              " decimals do not fit a number field of width " +
                              std::to_string(width));
  return {'N', width, decimals, false};
}

}  // namespace

TDbaseColumn DbaseColumnFor(const std::string& path, const TFieldDef& def) {
  switch (def.DataType) {
    case ftString:
      if (def.Size < 1 || def.Size > kMaxTextWidth)
        ThrowTableError(path, "field '" + def.Name + "': a text field can be 1 to " +
                                  std::to_string(kMaxTextWidth) + " characters wide, not " +
                                  std::to_string(def.Size));
      return {'C', def.Size, 0, false};
    case ftSmallint:
      return {'N', 6, 0, false};
    case ftWord:
      return {'N', 5, 0, false};
    case ftInteger:
    case ftAutoInc:
      return {'N', 11, 0, false};
    case ftFloat:
      if (def.Size > 0) return Number(path, def, def.Size, def.Precision);
      return Number(path, def, kDefaultNumberWidth, def.Precision > 0 ? def.Precision : 6);
    case ftCurrency:
      return {'N', kDefaultNumberWidth, 4, false};
    case ftBCD:
      return {'N', kDefaultNumberWidth, std::clamp(def.Size, 0, kMaxDecimals), false};
    case ftBoolean:
      return {'L', 1, 0, false};
    case ftDate:
      return {'D', 8, 0, false};
    case ftTime:
      return {'C', 8, 0, false};
    case ftDateTime:
      return {'C', 19, 0, false};
    case ftMemo:
    case ftFmtMemo:
      return {'M', 10, 0, false};
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftBytes:
    case ftVarBytes:
      return {'M', 10, 0, true};
    default:
      ThrowTableError(path, "field '" + def.Name + "': fields of type " +
                                FieldTypeName(def.DataType) + " cannot be stored in a dBase table");
  }
}

}  // namespace dbase

void CreateDbaseTable(const std::string& path, const std::vector<TFieldDef>& fields) {
  using namespace dbase;
  if (static_cast<int>(fields.size()) > kMaxFields)
    ThrowTableError(path, "a dBase table can have at most " + std::to_string(kMaxFields) +
                              " fields, not " + std::to_string(fields.size()));
  std::vector<std::string> seen;
  std::vector<TDbaseColumn> columns;
  bool memo = false, binaryMemo = false;
  int64_t recordLength = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    const TFieldDef& def = fields[i];
    if (def.Name.empty()) ThrowTableError(path, "field " + std::to_string(i + 1) + " has no name");
    if (def.Name.size() > static_cast<size_t>(kMaxNameLength))
      ThrowTableError(path, "field name '" + def.Name + "' is longer than " +
                                std::to_string(kMaxNameLength) + " characters");
    for (char c : def.Name)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
        ThrowTableError(path, "field name '" + def.Name + "' contains a control character");
    const std::string key = Upper(def.Name);
    if (std::find(seen.begin(), seen.end(), key) != seen.end())
      ThrowTableError(path, "duplicate field name '" + def.Name + "'");
    seen.push_back(key);
    TDbaseColumn col = DbaseColumnFor(path, def);
    if (col.Letter == 'M') {
      memo = true;
      binaryMemo = binaryMemo || col.BinaryMemo;
    }
    recordLength += col.Width;
    columns.push_back(col);
  }
  if (recordLength > 0xFFFF)
    ThrowTableError(path, "records of " + std::to_string(recordLength) +
                              " bytes are longer than a dBase table allows");

  const size_t n = fields.size();
  const size_t headerLength = kHeaderSize + kDescriptorSize * n + 1;
  std::vector<uint8_t> out(headerLength + 1, 0);
  out[0] = !memo ? kVersionDbase3 : binaryMemo ? kVersionDbase4Memo : kVersionDbase3Memo;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  out[1] = static_cast<uint8_t>(std::clamp(tm.tm_year, 0, 255));
  out[2] = static_cast<uint8_t>(tm.tm_mon + 1);
  out[3] = static_cast<uint8_t>(tm.tm_mday);
  PutU16LE(out.data() + 8, static_cast<uint16_t>(headerLength));
  PutU16LE(out.data() + 10, static_cast<uint16_t>(recordLength));
  out[29] = kLanguageDriverAnsi;
  for (size_t i = 0; i < n; ++i) {
    uint8_t* d = out.data() + kHeaderSize + kDescriptorSize * i;
    std::copy(fields[i].Name.begin(), fields[i].Name.end(), d);
    d[11] = static_cast<uint8_t>(columns[i].Letter);
    d[16] = static_cast<uint8_t>(columns[i].Width);
    d[17] = static_cast<uint8_t>(columns[i].Decimals);
  }
  out[headerLength - 1] = kHeaderEnd;
  out[headerLength] = kFileEnd;

  {
    TPosixFile f(path, TPosixFile::Mode::Create);
    f.WriteAt(0, out.data(), out.size());
  }
  if (memo)
    TDbaseMemoFile::Create(MemoFileNameFor(path),
                           binaryMemo ? TMemoKind::DbaseIV : TMemoKind::DbaseIII, path);
}

}  // namespace lw
