#include "ResultFields.h"

#include <algorithm>
#include <cctype>

namespace lw {

bool IsPhoneFieldName(std::string_view name) {
  if (name.size() < 3) return false;
  std::string head;
  for (char c : name.substr(0, 3))
    head += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return head == "TEL" || head == "FAX";
}

namespace {
bool IsPhoneText(const TFieldDef& f) {
  return f.DataType == ftString && IsPhoneFieldName(f.Name);
}
}  // namespace

std::vector<TFieldDef> ResultFieldsFor(const std::vector<TFieldDef>& sourceFields) {
  std::vector<TFieldDef> fields{{"Result", ftAutoInc, 0, false, 0}};
  fields.insert(fields.end(), sourceFields.begin(), sourceFields.end());
  for (TFieldDef& f : fields)
    if (IsPhoneText(f)) f.Size = std::max(f.Size, kPhoneTextWidth);
  return fields;
}

bool ResultFieldsFit(const std::vector<TFieldDef>& held, const std::vector<TFieldDef>& wanted) {
  auto fits = [](const TFieldDef& h, const TFieldDef& w) {
    if (h.Name != w.Name || h.DataType != w.DataType) return false;
    return IsPhoneText(w) ? h.Size >= w.Size : h.Size == w.Size;
  };
  return held.size() == wanted.size() && std::equal(held.begin(), held.end(), wanted.begin(), fits);
}

}  // namespace lw
