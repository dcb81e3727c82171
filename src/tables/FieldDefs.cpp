#include "FieldDefs.h"

#include <cctype>

#include "NameCompare.h"
#include "Table.h"

namespace lw {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
  TFieldDef d;
  d.Name = name;
  d.DataType = type;
  d.Size = size;
  d.Required = required;
  FItems.push_back(d);
  return FItems.back();
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (SameName(FItems[i].Name, name)) return static_cast<int>(i);
  return -1;
}

void TFieldDefs::Update() {
  if (!FOwner) return;
  bool wasActive = FOwner->Active();
  if (!wasActive) FOwner->Open();
  FItems = FOwner->Codec()->Fields();
  if (!wasActive) FOwner->Close();
}

TIndexDef& TIndexDefs::Add(const std::string& name, const std::string& fields, int options) {
  FItems.push_back(TIndexDef{name, fields, options});
  return FItems.back();
}

void TIndexDefs::Update() {
  if (!FOwner) return;
  bool wasActive = FOwner->Active();
  if (!wasActive) FOwner->Open();
  FItems = FOwner->Codec()->Indexes();
  if (!wasActive) FOwner->Close();
}

}  // namespace lw
