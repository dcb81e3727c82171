#include "SourceLayout.h"

#include <iterator>
#include <stdexcept>
#include <string>

#include "Field.h"
#include "RecordMatcher.h"
#include "Table.h"

namespace lw {

namespace {

// What a listings table has at each position the matcher reads, as the shipped tables name it.
struct TReadPosition {
  TSourceField Position;
  const char* Name;
  const char* Meaning;
};

constexpr TReadPosition kReadPositions[] = {
    {sfCompany, "COMPANY", "company name"},
    {sfCity, "CITY", "city"},
    {sfState, "STATE", "state"},
    {sfZip, "ZIP", "zip code"},
    {sfEmployees, "EMPLOYEES", "employee-count class"},
    {sfSales, "ANNUAL SALES", "annual-sales class"},
    {sfSIC, "SIC", "SIC code"},
    {sfSICDesc, "SIC DESCRIPTION", "SIC description"},
    {sfSIC2, "SIC 2", "second SIC code"},
    {sfSIC3, "SIC 3", "third SIC code"},
};

constexpr char kNotListings[] = "The source table is not a listings table: ";

// Users count fields from one, as every table viewer shows them.
std::string Ordinal(int position) {
  const int n = position + 1;
  const char* suffix = n == 1 ? "st" : n == 2 ? "nd" : n == 3 ? "rd" : "th";
  return std::to_string(n) + suffix;
}

std::string FieldNames(TTable& table) {
  std::string s;
  for (int i = 0; i < table.FieldCount(); ++i) s += (i ? ", " : "") + table.Fields(i).FieldName();
  return s;
}

}  // namespace

void CheckSourceLayout(TTable& table) {
  const int count = table.FieldCount();
  const int needed = kReadPositions[std::size(kReadPositions) - 1].Position + 1;
  if (count < needed)
    throw std::runtime_error(std::string(kNotListings) + "it has " + std::to_string(count) +
                             " fields" + (count ? " (" + FieldNames(table) + ")" : "") +
                             ", and a listings table has " + std::to_string(needed) +
                             " or more, starting with COMPANY, ADDRESS, CITY, STATE, ZIP");
  for (const TReadPosition& p : kReadPositions) {
    const TField& field = table.Fields(p.Position);
    if (field.DataType() != ftString)
      throw std::runtime_error(std::string(kNotListings) + "its " + Ordinal(p.Position) +
                               " field is " + field.FieldName() + " (" +
                               FieldTypeName(field.DataType()) + "), where a listings table has " +
                               p.Name + ", the " + p.Meaning + " as text");
  }
}

}  // namespace lw
