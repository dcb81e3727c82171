// The generator's records and layout, without writing a table.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "Industries.h"
#include "ListingGenerator.h"
#include "ListingLayout.h"
#include "Places.h"

namespace lw::gen {
namespace {

const std::set<std::string> kStates = {
    "AK", "AL", "AR", "AZ", "CA", "CO", "CT", "DC", "DE", "FL", "GA", "HI", "IA",
    "ID", "IL", "IN", "KS", "KY", "LA", "MA", "MD", "ME", "MI", "MN", "MO", "MS",
    "MT", "NC", "ND", "NE", "NH", "NJ", "NM", "NV", "NY", "OH", "OK", "OR", "PA",
    "RI", "SC", "SD", "TN", "TX", "UT", "VA", "VT", "WA", "WI", "WV", "WY"};

bool Matches(const TValue& v, const std::regex& re) {
  return !v.IsNull() && std::regex_match(v.Str(), re);
}

TEST(GenDataTest, SameSeedSameRecordsOtherSeedOtherRecords) {
  TListingGenerator a(7), b(7), c(8);
  bool differs = false;
  for (int i = 0; i < 2000; ++i) {
    std::vector<TValue> va = a.Next(), vb = b.Next(), vc = c.Next();
    ASSERT_EQ(va, vb) << "record " << i;
    differs = differs || va != vc;
  }
  EXPECT_TRUE(differs);
}

// The positions the search reads hold exactly the forms it compares with.
TEST(GenDataTest, SearchedPositionsHoldTheirForms) {
  const std::set<std::string> employees(std::begin(kEmployeeClasses), std::end(kEmployeeClasses));
  const std::set<std::string> sales(std::begin(kSalesClasses), std::end(kSalesClasses));
  const std::regex zip(R"(\d{5}(-\d{4})?)"), phone(R"(\d{10})"), sic(R"(\d{4}-\d{2})");
  std::set<std::string> seenStates, seenEmployees, seenSales;
  int zip9 = 0, sic2 = 0, sic3 = 0, withComma = 0, notes = 0;
  TListingGenerator gen;
  const int kRecords = 20000;
  for (int i = 0; i < kRecords; ++i) {
    std::vector<TValue> v = gen.Next();
    ASSERT_EQ(v.size(), static_cast<size_t>(lfCount));
    ASSERT_FALSE(v[lfCompany].IsNull());
    EXPECT_LE(v[lfCompany].Str().size(), 35u);
    withComma += v[lfCompany].Str().find(',') != std::string::npos;
    ASSERT_FALSE(v[lfCity].IsNull());
    ASSERT_TRUE(kStates.count(v[lfState].Str())) << v[lfState].Str();
    seenStates.insert(v[lfState].Str());
    ASSERT_TRUE(Matches(v[lfZip], zip)) << v[lfZip].Str();
    zip9 += v[lfZip].Str().size() == 10;
    if (!v[lfTelephone].IsNull()) {
      ASSERT_TRUE(Matches(v[lfTelephone], phone));
    }
    if (!v[lfFax].IsNull()) {
      ASSERT_TRUE(Matches(v[lfFax], phone));
    }
    ASSERT_TRUE(employees.count(v[lfEmployees].Str())) << v[lfEmployees].Str();
    ASSERT_TRUE(sales.count(v[lfSales].Str())) << v[lfSales].Str();
    seenEmployees.insert(v[lfEmployees].Str());
    seenSales.insert(v[lfSales].Str());
    ASSERT_TRUE(Matches(v[lfSic], sic)) << v[lfSic].Str();
    ASSERT_FALSE(v[lfSicDescription].IsNull());
    if (!v[lfSic2].IsNull()) {
      ASSERT_TRUE(Matches(v[lfSic2], sic));
      ++sic2;
    }
    if (!v[lfSic3].IsNull()) {
      ASSERT_TRUE(Matches(v[lfSic3], sic));
      ASSERT_FALSE(v[lfSic2].IsNull());
      ++sic3;
    }
    if (!v[lfYearFounded].IsNull()) {
      EXPECT_GE(v[lfYearFounded].Int(), 1900);
      EXPECT_LE(v[lfYearFounded].Int(), 2024);
    }
    notes += !v[lfNotes].IsNull();
  }
  EXPECT_EQ(seenStates.size(), kStates.size());
  EXPECT_EQ(seenEmployees.size(), employees.size());
  EXPECT_EQ(seenSales.size(), sales.size());
  // Both zip forms, the further SIC codes "often empty" but present, names that need CSV
  // quoting, memo text on some records.
  EXPECT_GT(zip9, kRecords / 5);
  EXPECT_GT(sic2, kRecords / 5);
  EXPECT_LT(sic2, kRecords / 2);
  EXPECT_GT(sic3, 0);
  EXPECT_GT(withComma, 0);
  EXPECT_GT(notes, kRecords / 20);
}

TEST(GenDataTest, ReferenceListsAreWellFormed) {
  std::set<std::string> states;
  for (const TPlace& p : Places()) {
    states.insert(p.State);
    EXPECT_TRUE(std::regex_match(p.ZipPrefix, std::regex(R"(\d{3})"))) << p.City;
    EXPECT_TRUE(std::regex_match(p.AreaCode, std::regex(R"([2-9]\d{2})"))) << p.City;
    EXPECT_LE(std::string(p.City).size(), 25u);
    EXPECT_LE(std::string(p.County).size(), 20u) << p.County;
    EXPECT_TRUE(p.Latitude > 18 && p.Latitude < 72 && p.Longitude > -170 && p.Longitude < -66)
        << p.City;
  }
  EXPECT_EQ(states, kStates);
  std::set<std::string> codes;
  for (const TIndustry& ind : Industries()) {
    EXPECT_TRUE(std::regex_match(ind.Code, std::regex(R"(\d{4})")));
    EXPECT_TRUE(codes.insert(ind.Code).second) << "duplicate SIC " << ind.Code;
    EXPECT_LE(std::string(ind.Description).size(), 50u) << ind.Code;
  }
  EXPECT_GE(codes.size(), 150u);
}

TEST(GenDataTest, ResultTableIsResultThenTheListingWithWidePhones) {
  const std::vector<TFieldDef> listing = ListingFieldDefs();
  const std::vector<TFieldDef> result = ResultFieldDefs();
  ASSERT_EQ(result.size(), listing.size() + 1);
  EXPECT_EQ(result[0].Name, "Result");
  EXPECT_EQ(result[0].DataType, ftAutoInc);
  for (size_t i = 0; i < listing.size(); ++i) {
    EXPECT_EQ(result[i + 1].Name, listing[i].Name);
    EXPECT_EQ(result[i + 1].DataType, listing[i].DataType);
    const std::string upper = listing[i].Name;
    if (upper.rfind("TEL", 0) == 0 || upper.rfind("FAX", 0) == 0)
      EXPECT_GE(result[i + 1].Size, 14) << upper;
    else
      EXPECT_EQ(result[i + 1].Size, listing[i].Size) << upper;
  }
  EXPECT_EQ(listing[lfTelephone].Name.substr(0, 3), "TEL");
  EXPECT_EQ(listing[lfFax].Name.substr(0, 3), "FAX");
  // Names with blanks and hyphens, which the dBase export has to rename.
  EXPECT_EQ(listing[lfSicDescription].Name, "SIC DESCRIPTION");
  EXPECT_EQ(listing[lfContactFirst].Name, "CONTACT-FIRST");
}

// Every line of "Grid View" splits into five ";" fields over an existing result field, and
// every column it marks bold (sortable) has an index.
TEST(GenDataTest, DefaultSettingsNameExistingFieldsAndIndexedSortableColumns) {
  const std::string ini = DefaultUserSettings();
  const std::vector<TFieldDef> result = ResultFieldDefs();
  const std::vector<TIndexDef> indexes = ResultIndexDefs();
  auto hasField = [&](const std::string& n) {
    return std::any_of(result.begin(), result.end(), [&](auto& d) { return d.Name == n; });
  };
  auto indexed = [&](const std::string& n) {
    return std::any_of(indexes.begin(), indexes.end(), [&](auto& x) { return x.Fields == n; });
  };
  ASSERT_EQ(indexes[0].Options & ixPrimary, ixPrimary);
  EXPECT_EQ(indexes[0].Fields, "Result");

  const std::regex gridLine(R"(Col(\d+)=;([^;]+);([^;]+);(\d+);([01]))");
  const std::regex viewLine(R"(Col(\d+)=(-?\d+))");
  std::string section;
  int gridColumns = 0, bold = 0, viewKeys = 0;
  size_t pos = 0;
  while (pos < ini.size()) {
    size_t end = ini.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "lines end with CRLF";
    const std::string line = ini.substr(pos, end - pos);
    pos = end + 2;
    std::smatch m;
    if (line.empty()) continue;
    if (line[0] == '[') {
      section = line;
    } else if (section == "[Grid View]") {
      ASSERT_TRUE(std::regex_match(line, m, gridLine)) << line;
      EXPECT_EQ(std::stoi(m[1]), gridColumns++);
      EXPECT_TRUE(hasField(m[2])) << line;
      if (m[5] == "1") {
        ++bold;
        EXPECT_TRUE(indexed(m[2])) << line;
      }
    } else if (section == "[Record View]") {
      ASSERT_TRUE(std::regex_match(line, m, viewLine)) << line;
      EXPECT_EQ(std::stoi(m[1]), viewKeys++);
      EXPECT_LT(std::stoi(m[2]), static_cast<int>(result.size()));
    } else {
      ADD_FAILURE() << "line outside the two sections: " << line;
    }
  }
  EXPECT_EQ(gridColumns, static_cast<int>(result.size()));
  EXPECT_GE(bold, 5);
  EXPECT_EQ(viewKeys, 21);
}

}  // namespace
}  // namespace lw::gen
