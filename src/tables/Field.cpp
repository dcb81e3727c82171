#include "Field.h"

#include <istream>
#include <iterator>
#include <ostream>

#include "DatabaseError.h"
#include "Table.h"

namespace lw {

TField::TField(TTable* table, int index, std::string name, TFieldType type, int size, bool required)
    : FTable(table),
      FIndex(index),
      FFieldName(std::move(name)),
      FDataType(type),
      FSize(size),
      FRequired(required) {}

bool TField::IsNull() const {
  return FTable->FieldIsNull(FIndex);
}

TValue TField::Value() const {
  return FTable->FieldValue(FIndex);
}

std::string TField::AsString() const {
  return Value().ToString();
}

int64_t TField::AsInteger() const {
  return Value().ToInteger();
}

double TField::AsFloat() const {
  return Value().ToFloat();
}

bool TField::AsBoolean() const {
  return Value().ToBoolean();
}

void TField::SetValue(const TValue& value) {
  FTable->SetFieldValue(FIndex, value);
}

void TField::SetAsString(std::string_view text) {
  FTable->SetFieldText(FIndex, text);
}

void TField::SaveToStream(std::ostream& out) const {
  TValue v = Value();
  const std::string data = v.ToString();
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

void TField::LoadFromStream(std::istream& in) {
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (FDataType == ftMemo || FDataType == ftFmtMemo || FDataType == ftString)
    SetValue(data.empty() ? TValue::Null() : TValue::String(data));
  else
    SetValue(data.empty() ? TValue::Null() : TValue::Bytes(data));
}

}  // namespace lw
