#include "RecordLines.h"

#include <initializer_list>

namespace lw {

std::string PhoneForm(const std::string& text) {
  if (text.size() != 10) return text;
  return "(" + text.substr(0, 3) + ") " + text.substr(3, 3) + "-" + text.substr(6, 4);
}

TRecordLines ComposeRecordLines(const TRecordColumns& columns, const TFieldReader& read) {
  TRecordLines lines;
  auto configured = [&](std::initializer_list<int> keys) {
    for (int k : keys)
      if (columns[static_cast<size_t>(k)] < 0) return false;
    return true;
  };
  auto value = [&](int key) { return read(columns[static_cast<size_t>(key)]); };
  try {
    if (configured({1})) lines.Company = value(1);
    if (configured({2})) lines.Address1 = value(2);
    if (configured({3, 4, 5})) lines.Address2 = value(3) + ", " + value(4) + " " + value(5);
    if (configured({6})) lines.Tel = PhoneForm(value(6));
    if (configured({7})) lines.Fax = PhoneForm(value(7));
    if (configured({16})) lines.Email = value(16);
    if (configured({17})) lines.Web = value(17);
    if (configured({10, 11})) lines.Contact = value(10) + ", " + value(11);
    if (configured({19, 20})) lines.Contact2 = value(19) + ", " + value(20);
    if (configured({8})) lines.Employees = value(8);
    if (configured({9})) lines.Sales = value(9);
    if (configured({13})) lines.SICDesc = value(13);
    if (configured({12})) lines.SIC = value(12);
    if (configured({14, 15})) lines.SIC2 = value(14) + ", " + value(15);
  } catch (...) {
    // A position beyond the record ends the card there; what was read stays.
  }
  return lines;
}

}  // namespace lw
