#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "FieldType.h"
#include "Value.h"

namespace lw {

class TTable;

// One field of the current record of its table.
class TField {
 public:
  TField(TTable* table, int index, std::string name, TFieldType type, int size, bool required);

  const std::string& FieldName() const { return FFieldName; }
  TFieldType DataType() const { return FDataType; }
  int Size() const { return FSize; }
  bool Required() const { return FRequired; }
  int Index() const { return FIndex; }  // position in the table, 0-based
  int FieldNo() const { return FIndex + 1; }

  bool IsNull() const;
  TValue Value() const;
  std::string AsString() const;  // "" for null
  int64_t AsInteger() const;     // 0 for null
  double AsFloat() const;        // 0 for null
  bool AsBoolean() const;        // false for null

  // Writing needs the table in insert state (Append/Insert); the value is converted to
  // this field's kind, and a value that cannot be converted raises an error.
  void SetValue(const TValue& value);
  void SetAsString(std::string_view text);
  void SetAsInteger(int64_t value) { SetValue(TValue::Integer(value)); }
  void SetAsFloat(double value) { SetValue(TValue::Float(value)); }
  void SetAsBoolean(bool value) { SetValue(TValue::Boolean(value)); }
  void Clear() { SetValue(TValue::Null()); }

  // Raw bytes of blob kinds (memo text, binary, graphic...).
  void SaveToStream(std::ostream& out) const;
  void LoadFromStream(std::istream& in);

 private:
  TTable* FTable;
  int FIndex;
  std::string FFieldName;
  TFieldType FDataType;
  int FSize;
  bool FRequired;
};

}  // namespace lw
