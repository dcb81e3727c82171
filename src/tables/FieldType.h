#pragma once

#include <cstdint>
#include <string>

namespace lw {

// Field kinds, numbered as the engine's callers expect (stored in settings and compared by value).
enum TFieldType : int {
  ftUnknown = 0,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
};

enum TTableType { ttDefault, ttParadox, ttDBase };

// Readable name of a field kind ("String", "AutoInc", ...), used by the CLI and messages.
const char* FieldTypeName(TFieldType type);

// Blob kinds keep their data outside the record (Paradox .mb, dBase .dbt).
bool IsBlobType(TFieldType type);

// Numbers and calendar values (whole, floating, money, BCD, date, time, timestamp, counter):
// written as they are in text and ordered by value. Boolean is not one of them.
bool IsNumberType(TFieldType type);

}  // namespace lw
