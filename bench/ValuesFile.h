#pragma once

// The records a write benchmark stores, in a form both writers read at the same cost: the
// field list, then every field of every record as text ("" never stands for null).
//
//   "LWV1", u32 field count, u64 record count,
//   per field: u8 type (TFieldType), u16 size, u8 name length, name,
//   per record and field: u16 length (0xFFFF = null), the text.
// Numbers are little-endian. bench/px_bench.c reads the same layout.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FieldDefs.h"

namespace lw::bench {

class TValuesFile {
 public:
  // Reads the whole file into memory.
  explicit TValuesFile(const std::string& path);

  const std::vector<TFieldDef>& Fields() const { return FFields; }
  int64_t RecordCount() const { return FRecords; }

  // Walks the records in order: Next() moves to the following record (false at the end),
  // then Text(i)/IsNull(i) give field i.
  bool Next();
  bool IsNull(int field) const { return FNull[static_cast<size_t>(field)]; }
  std::string_view Text(int field) const { return FText[static_cast<size_t>(field)]; }

 private:
  std::string FData;
  size_t FPos = 0;
  int64_t FRecords = 0;
  int64_t FRead = 0;
  std::vector<TFieldDef> FFields;
  std::vector<std::string_view> FText;
  std::vector<uint8_t> FNull;
};

// Writes the table's records into a values file.
void WriteValuesFile(const std::string& tablePath, const std::string& outPath);

}  // namespace lw::bench
