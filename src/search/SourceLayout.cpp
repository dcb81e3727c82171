#include "SourceLayout.h"

#include <stdexcept>
#include <string>

#include "Field.h"
#include "RecordMatcher.h"
#include "Table.h"

namespace lw {

namespace {

struct TReadPosition {
  TSourceField Position;
  const char* Meaning;
};

constexpr TReadPosition kReadPositions[] = {
    {sfCompany, "company name"}, {sfCity, "city"},
    {sfState, "state"},          {sfZip, "zip code"},
    {sfEmployees, "employees"},  {sfSales, "annual sales"},
    {sfSIC, "SIC code"},         {sfSICDesc, "SIC description"},
    {sfSIC2, "second SIC code"}, {sfSIC3, "third SIC code"},
};

std::string Where(const TReadPosition& p) {
  return "position " + std::to_string(p.Position) + " (" + p.Meaning + ")";
}

}  // namespace

void CheckSourceLayout(TTable& table) {
  const int count = table.FieldCount();
  for (const TReadPosition& p : kReadPositions) {
    const std::string head = "The source table does not have the listings layout: ";
    if (p.Position >= count)
      throw std::runtime_error(head + Where(p) + " is missing, the table has only " +
                               std::to_string(count) + " fields");
    const TField& field = table.Fields(p.Position);
    if (field.DataType() != ftString)
      throw std::runtime_error(head + Where(p) + " is '" + field.FieldName() + "' (" +
                               FieldTypeName(field.DataType()) + "), not a text field");
  }
}

}  // namespace lw
