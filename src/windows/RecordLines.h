#pragma once

#include <array>
#include <functional>
#include <string>

namespace lw {

// How the record view's settings map result-table positions to its lines: "Col0" to "Col20"
// of the "Record View" section, -1 (or any negative value) for a key that is not configured.
inline constexpr int kRecordColumnCount = 21;
using TRecordColumns = std::array<int, kRecordColumnCount>;

// The value lines of the record view's business card.
struct TRecordLines {
  std::string Company;
  std::string Address1;
  std::string Address2;
  std::string Tel;
  std::string Fax;
  std::string Email;
  std::string Web;
  std::string Contact;
  std::string Contact2;
  std::string Employees;
  std::string Sales;
  std::string SICDesc;
  std::string SIC;
  std::string SIC2;
};

// Reads the text of the current record's field at a position; throws when it cannot.
using TFieldReader = std::function<std::string(int position)>;

// Fills the lines in the record view's order (company, address lines, telephone, fax,
// e-mail, web, contacts, employees, sales, SIC description, SIC, the line under it). A line
// is filled only when all of its positions are configured. The first failing read ends the
// filling: the lines filled before it keep their text, the rest stay empty.
TRecordLines ComposeRecordLines(const TRecordColumns& columns, const TFieldReader& read);

// "(abc) def-ghij" for a text of exactly ten characters; any other text unchanged.
std::string PhoneForm(const std::string& text);

}  // namespace lw
