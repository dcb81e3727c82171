#pragma once

#include <string>
#include <vector>

#include "FieldDefs.h"

namespace lw::gen {

// Positions of the business-listings table. The search reads 0 to 14 by position, the
// record view's defaults below name the rest.
enum TListingField : int {
  lfCompany = 0,
  lfAddress,
  lfCity,
  lfState,
  lfZip,
  lfTelephone,
  lfFax,
  lfEmployees,
  lfSales,
  lfContactLast,
  lfContactFirst,
  lfSic,
  lfSicDescription,
  lfSic2,
  lfSic3,
  lfEmail,
  lfWebSite,
  lfCounty,
  lfContact2Last,
  lfContact2First,
  lfYearFounded,
  lfLatitude,
  lfLongitude,
  lfLastVerified,
  lfHeadquarters,
  lfNotes,
  lfCount
};

// The rows of the employee and sales lists of the main window, without the header rows:
// the only values those two fields hold.
extern const char* const kEmployeeClasses[12];
extern const char* const kSalesClasses[13];

std::vector<TFieldDef> ListingFieldDefs();

// The result table: "Result" (filled on insertion), then the listing's fields in the same
// order, telephone and fax wide enough for "(716) 555-1234".
std::vector<TFieldDef> ResultFieldDefs();
// Primary key on Result (insertion order) and one index per sortable grid column.
std::vector<TIndexDef> ResultIndexDefs();

// One column of the default grid layout over the result table.
struct TGridColumn {
  std::string FieldName;
  std::string Title;
  int Width = 0;
  bool Sortable = false;
};
std::vector<TGridColumn> DefaultGridColumns();

// The user settings file as first installed: "Grid View" and "Record View" sections.
std::string DefaultUserSettings();
// The setup file next to the program.
std::string DefaultSetupFile();

}  // namespace lw::gen
