#include "Criteria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string_view>

#include "CriteriaLists.h"

namespace lw {
namespace {

std::vector<bool> Select(std::span<const std::string_view> rows,
                         std::initializer_list<std::string_view> chosen) {
  std::vector<bool> selected(rows.size(), false);
  for (std::string_view name : chosen) {
    auto it = std::find(rows.begin(), rows.end(), name);
    EXPECT_NE(it, rows.end()) << name;
    if (it != rows.end()) selected[it - rows.begin()] = true;
  }
  return selected;
}

std::vector<std::string> Fill(const TCriteriaInputs& inputs) {
  std::vector<std::string> criteria{"left", "over"};
  FillCriteria(inputs, criteria);
  return criteria;
}

TEST(FillCriteria, NoInputsGiveEightEmptySlots) {
  EXPECT_EQ(Fill({}), std::vector<std::string>(8));
}

TEST(FillCriteria, EachInputLandsInItsSlot) {
  TCriteriaInputs in;
  in.Company = "ABC*";
  in.City = "Buffalo";
  in.States = Select(StateRows, {"NY"});
  in.Zip = "14221";
  in.Employees = Select(EmployeeRows, {"1-4"});
  in.Sales = Select(SalesRows, {"<.5M"});
  in.SIC = "50*";
  in.SICDesc = "Com*";
  std::vector<std::string> expected{"ABC*",     "Buffalo",   "\"NY\",", "14221,",
                                    "\"1-4\",", "\"<.5M\",", "50*,",    "Com*"};
  EXPECT_EQ(Fill(in), expected);
}

TEST(FillCriteria, TextsAreTakenExactlyAsTyped) {
  TCriteriaInputs in;
  in.Company = "ymca ";
  in.City = " Ve*";
  in.SICDesc = "*";
  auto c = Fill(in);
  EXPECT_EQ(c[csCompany], "ymca ");
  EXPECT_EQ(c[csCity], " Ve*");
  EXPECT_EQ(c[csSICDesc], "*");
}

TEST(FillCriteria, CommaListsGetOneCommaAndALoneStarMeansNone) {
  TCriteriaInputs in;
  in.Zip = "02202*, 14221-5*";
  in.SIC = "9512*, 50*, 7991-01";
  auto c = Fill(in);
  EXPECT_EQ(c[csZip], "02202*, 14221-5*,");
  EXPECT_EQ(c[csSIC], "9512*, 50*, 7991-01,");

  in.Zip = "*";
  in.SIC = "*";
  in.Company = "*";
  c = Fill(in);
  EXPECT_EQ(c[csZip], "");
  EXPECT_EQ(c[csSIC], "");
  EXPECT_EQ(c[csCompany], "*");  // only the comma lists treat a lone star as "none"

  in.Zip = "14221,";  // a comma the user typed stays and is doubled
  in.SIC = " * ";     // not exactly "*"
  c = Fill(in);
  EXPECT_EQ(c[csZip], "14221,,");
  EXPECT_EQ(c[csSIC], " * ,");
}

TEST(FillCriteria, QuotedListsFollowListOrderNotClickOrder) {
  TCriteriaInputs in;
  in.States = Select(StateRows, {"CA", "AK"});
  EXPECT_EQ(Fill(in)[csStates], "\"AK\",\"CA\",");
  EXPECT_EQ(Fill(in)[csStates].size(), 10u);
  in.States = Select(StateRows, {"WY", "AK"});
  EXPECT_EQ(Fill(in)[csStates], "\"AK\",\"WY\",");
}

TEST(FillCriteria, HeaderRowOrNoSelectionMeansNoCriterion) {
  TCriteriaInputs in;
  in.States = Select(StateRows, {"[CHOOSE STATES]"});
  in.Employees = Select(EmployeeRows, {"[CHOOSE # EMPLOYEES]", "1-4", "5-9"});
  in.Sales = std::vector<bool>(SalesRows.size(), false);
  auto c = Fill(in);
  EXPECT_EQ(c[csStates], "");
  EXPECT_EQ(c[csEmployees], "");
  EXPECT_EQ(c[csSales], "");
}

TEST(FillCriteria, RowTextsAreUsedCharacterForCharacter) {
  TCriteriaInputs in;
  in.Employees = Select(EmployeeRows, {"N/A"});
  in.Sales = Select(SalesRows, {"Over 1B", "1B", ".5-1M"});
  auto c = Fill(in);
  EXPECT_EQ(c[csEmployees], "\"N/A\",");
  EXPECT_EQ(c[csSales], "\".5-1M\",\"1B\",\"Over 1B\",");
}

TEST(FillCriteria, ShortSelectionVectorsCountMissingRowsAsUnselected) {
  TCriteriaInputs in;
  in.States = {false, true};  // AK only
  in.Employees = {};
  EXPECT_EQ(Fill(in)[csStates], "\"AK\",");
  EXPECT_EQ(Fill(in)[csEmployees], "");
}

TEST(CriteriaLists, RowCountsAndHeaders) {
  EXPECT_EQ(StateRows.size(), 52u);
  EXPECT_EQ(EmployeeRows.size(), 13u);
  EXPECT_EQ(SalesRows.size(), 14u);
  EXPECT_EQ(StateRows[0], "[CHOOSE STATES]");
  EXPECT_EQ(StateRows[51], "WY");
  EXPECT_EQ(EmployeeRows[12], "Over 10000");
  EXPECT_EQ(SalesRows[13], "Over 1B");
  EXPECT_NE(EmployeeListBoxHint.find("CTRL key \r\nwhile"), std::string_view::npos);
  EXPECT_NE(SalesListBoxHint.find("CTRL key \r\nwhile"), std::string_view::npos);
  EXPECT_NE(StateListBoxHint.find("CTRL\r\nkey"), std::string_view::npos);
}

}  // namespace
}  // namespace lw
