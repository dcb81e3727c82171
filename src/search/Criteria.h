#pragma once

#include <string>
#include <vector>

namespace lw {

// Positions in the eight-slot criteria list. The numbering is the contract between the
// builder and the matcher; an empty slot carries no criterion.
enum TCriteriaSlot : int {
  csCompany = 0,
  csCity = 1,
  csStates = 2,
  csZip = 3,
  csEmployees = 4,
  csSales = 5,
  csSIC = 6,
  csSICDesc = 7,
};
inline constexpr int CriteriaSlotCount = 8;

// The eight inputs of the main window, and the radius search's two. Texts are taken exactly
// as typed. A selection vector tells, row by row (row 0 = header), whether the row of
// StateRows / EmployeeRows / SalesRows is selected; rows beyond its end count as not selected.
struct TCriteriaInputs {
  std::string SIC;
  std::string SICDesc;
  std::string Company;
  std::string City;
  std::string Zip;
  std::vector<bool> States;
  std::vector<bool> Employees;
  std::vector<bool> Sales;
  // "Within Miles miles of Near" (a zip code or a position, see ParseNearby); an empty Near is
  // no radius. They do not enter the eight slots: the worker takes them as they are.
  std::string Near;
  std::string Miles;
};

// Clears `criteria` and fills exactly eight slots from the inputs. Never fails and never
// validates: inputs that carry no criterion leave their slot empty.
void FillCriteria(const TCriteriaInputs& inputs, std::vector<std::string>& criteria);

}  // namespace lw
