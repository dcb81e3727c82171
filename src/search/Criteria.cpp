#include "Criteria.h"

#include <span>
#include <string_view>

#include "CriteriaLists.h"

namespace lw {

namespace {

// Every chosen row in list order, each as "row", - the closing comma is what lets the matcher
// test membership with a plain substring search. The header row never takes part: choosing
// it means "no criterion", whatever else is selected.
std::string QuotedList(std::span<const std::string_view> rows, const std::vector<bool>& selected) {
  std::string slot;
  bool any = false;
  for (size_t i = 0; i < rows.size() && i < selected.size(); ++i) any = any || selected[i];
  if (!any || selected.empty() || selected[0]) return slot;
  for (size_t i = 0; i < rows.size() && i < selected.size(); ++i) {
    if (!selected[i]) continue;
    slot += '"';
    slot += rows[i];
    slot += "\",";
  }
  return slot;
}

// A comma list gets one comma appended; a lone "*" would match everything, so it means "no
// criterion" instead.
std::string CommaList(const std::string& text) {
  if (text.empty() || text == "*") return {};
  return text + ",";
}

}  // namespace

void FillCriteria(const TCriteriaInputs& inputs, std::vector<std::string>& criteria) {
  criteria.clear();
  criteria.resize(CriteriaSlotCount);
  criteria[csCompany] = inputs.Company;
  criteria[csCity] = inputs.City;
  criteria[csStates] = QuotedList(StateRows, inputs.States);
  criteria[csSales] = QuotedList(SalesRows, inputs.Sales);
  criteria[csEmployees] = QuotedList(EmployeeRows, inputs.Employees);
  criteria[csZip] = CommaList(inputs.Zip);
  criteria[csSIC] = CommaList(inputs.SIC);
  criteria[csSICDesc] = inputs.SICDesc;
}

}  // namespace lw
