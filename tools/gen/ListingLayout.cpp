#include "ListingLayout.h"

#include <stdexcept>

#include "ResultFields.h"

namespace lw::gen {

const char* const kEmployeeClasses[12] = {"N/A",     "1-4",       "5-9",       "10-19",
                                          "20-49",   "50-99",     "100-249",   "250-499",
                                          "500-999", "1000-4999", "5000-9999", "Over 10000"};
const char* const kSalesClasses[13] = {"N/A",    "<.5M",   ".5-1M",  "1-2.5M",  "2.5-5M",
                                       "5-10M",  "10-20M", "20-50M", "50-100M", "100-500M",
                                       "500-1B", "1B",     "Over 1B"};

namespace {

struct TFieldSpec {
  const char* Name;
  TFieldType Type;
  int Size;
  const char* Title;  // grid title
  int Width;          // grid width in pixels
  bool Sortable;
};

// clang-format off
const TFieldSpec kListing[lfCount] = {
  {"COMPANY",         ftString,   35, "Company",          220, true},
  {"ADDRESS",         ftString,   35, "Address",          200, false},
  {"CITY",            ftString,   25, "City",             120, true},
  {"STATE",           ftString,    2, "State",             40, true},
  {"ZIP",             ftString,   10, "Zip Code",          75, true},
  {"TELEPHONE",       ftString,   10, "Telephone",        100, false},
  {"FAX",             ftString,   10, "Fax",              100, false},
  {"EMPLOYEES",       ftString,   10, "Employees",         80, true},
  {"ANNUAL SALES",    ftString,   10, "Annual Sales",      85, true},
  {"CONTACT-LAST",    ftString,   20, "Contact Last Name", 120, false},
  {"CONTACT-FIRST",   ftString,   15, "Contact First Name", 120, false},
  {"SIC",             ftString,    7, "Primary SIC",       75, true},
  {"SIC DESCRIPTION", ftString,   50, "SIC Description",  250, false},
  {"SIC 2",           ftString,    7, "SIC 2",             60, false},
  {"SIC 3",           ftString,    7, "SIC 3",             60, false},
  {"E-MAIL",          ftString,   40, "E-Mail",           180, false},
  {"WEB SITE",        ftString,   40, "Web Site",         180, false},
  {"COUNTY",          ftString,   20, "County",           110, false},
  {"CONTACT2-LAST",   ftString,   20, "Second Contact Last Name", 150, false},
  {"CONTACT2-FIRST",  ftString,   15, "Second Contact First Name", 150, false},
  {"YEAR FOUNDED",    ftSmallint,  0, "Founded",           60, false},
  {"LATITUDE",        ftFloat,     0, "Latitude",          75, false},
  {"LONGITUDE",       ftFloat,     0, "Longitude",         80, false},
  {"LAST VERIFIED",   ftDate,      0, "Last Verified",     90, false},
  {"HEADQUARTERS",    ftBoolean,   0, "Headquarters",      85, false},
  {"NOTES",           ftMemo,     10, "Notes",            200, false},
};
// clang-format on

const char* const kResultField = "Result";

std::string Crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

}  // namespace

std::vector<TFieldDef> ListingFieldDefs() {
  std::vector<TFieldDef> defs;
  for (const TFieldSpec& s : kListing) defs.push_back({s.Name, s.Type, s.Size, false, 0});
  return defs;
}

std::vector<TFieldDef> ResultFieldDefs() {
  return ResultFieldsFor(ListingFieldDefs());
}

std::vector<TIndexDef> ResultIndexDefs() {
  std::vector<TIndexDef> defs;
  defs.push_back({"", kResultField, ixPrimary | ixUnique});
  // Paradox names a single-field secondary index after its field.
  for (const TFieldSpec& s : kListing)
    if (s.Sortable) defs.push_back({s.Name, s.Name, ixCaseInsensitive});
  return defs;
}

std::vector<TGridColumn> DefaultGridColumns() {
  std::vector<TGridColumn> cols;
  cols.push_back({kResultField, "No.", 50, true});
  for (const TFieldSpec& s : kListing) cols.push_back({s.Name, s.Title, s.Width, s.Sortable});
  return cols;
}

std::string DefaultUserSettings() {
  std::vector<std::string> lines;
  lines.push_back("[Grid View]");
  std::vector<TGridColumn> cols = DefaultGridColumns();
  for (size_t i = 0; i < cols.size(); ++i) {
    const TGridColumn& c = cols[i];
    if (c.Title.find(';') != std::string::npos) throw std::logic_error("';' in a grid title");
    lines.push_back("Col" + std::to_string(i) + "=;" + c.FieldName + ";" + c.Title + ";" +
                    std::to_string(c.Width) + ";" + (c.Sortable ? "1" : "0"));
  }
  lines.push_back("");
  // The record view's keys Col0..Col20 name result-table positions; the result table is
  // "Result" followed by the listing, so listing position p is result position p + 1 and
  // the keys line up with the listing's first twenty-one positions shifted by one.
  lines.push_back("[Record View]");
  const int kRecordViewKeys = 21;
  for (int key = 0; key < kRecordViewKeys; ++key)
    lines.push_back("Col" + std::to_string(key) + "=" + std::to_string(key));
  return Crlf(lines);
}

std::string DefaultSetupFile() {
  return Crlf({
      "; Ledgerwake setup: read once at start from the distribution medium's root, or from",
      "; the program directory when no medium is present.",
      "[PRODUCT]",
      "logo=logo.bmp",
      "",
      "[DISTRIBUTOR]",
      "name=TALVERN",
      "",
      "[NEWS]",
      "file=lwnews.inf",
      "",
      "[DATABASE]",
      "path=data/",
      "name1=businfo.db",
  });
}

}  // namespace lw::gen
