#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "CommaList.h"
#include "Criteria.h"
#include "MatchOptions.h"
#include "Pattern.h"

namespace lw {

// Positions of the source-table fields that the criteria look at. The matcher addresses the
// record by position only; field names are whatever the data file defines.
enum TSourceField : int {
  sfCompany = 0,
  sfCity = 2,
  sfState = 3,
  sfZip = 4,
  sfEmployees = 7,
  sfSales = 8,
  sfSIC = 11,
  sfSICDesc = 12,
  sfSIC2 = 13,
  sfSIC3 = 14,
};

// Removes every leading and trailing character with a code of 32 or less.
std::string_view TrimBlanks(std::string_view text);

// Exact membership of a stored value in a quoted list slot ("AK","CA",): the stored value,
// enclosed in quotes and followed by a comma, must occur in the slot.
class TQuotedListTest {
 public:
  explicit TQuotedListTest(std::string slot);
  bool Contains(std::string_view value) const;

 private:
  bool SubstringSearch(std::string_view value) const;

  std::string FSlot;
  // When the slot is nothing but "item", runs whose items hold neither quote nor comma, a
  // value without those characters occurs in it exactly when it equals an item, so a binary
  // search over the items gives the same answer as the substring search.
  bool FSimple = false;
  std::vector<std::string> FSortedItems;
};

// The items of a comma-list slot, each ready for the pattern test (TPattern, or
// TOptionPattern under match options). An empty item cannot be tested; it is kept as the
// point where an evaluation that got that far fails.
template <class TItem>
class TPatternListTest {
 public:
  // `make` turns an item's text into a TItem.
  template <class TMake>
  TPatternListTest(std::string_view slot, std::string emptyItemError, TMake make) {
    for (std::string& item : SplitCommaList(slot)) {
      if (item.empty()) {
        // Items after the empty one are never reached.
        FEmptyItemError = std::move(emptyItemError);
        break;
      }
      FItems.push_back(make(item));
    }
  }

  const std::vector<TItem>& Items() const { return FItems; }
  // Called when no item matched: an evaluation that got past every item reaches the empty
  // one, if there is one, and fails there.
  void CheckReachedEnd() const {
    if (!FEmptyItemError.empty()) throw std::runtime_error(FEmptyItemError);
  }

 private:
  std::vector<TItem> FItems;
  std::string FEmptyItemError;
};

// The search criteria, parsed once per search, tested against one record at a time. TItem
// is the test of the typed criteria: TPattern for the classic rule (TRecordMatcher),
// TOptionPattern under match options (TOptionMatcher); the rest is the same code.
//
// Tests run in this order and stop at the first that fails: company, city, states,
// employees, sales, zip codes, SIC codes (each item on positions 11, 13, 14), SIC
// description. A field is read only when its test is reached, so a record that fails early
// costs only the fields before the failure, and a missing field is reported only when needed.
template <class TItem>
class TBasicRecordMatcher {
 public:
  TBasicRecordMatcher() = default;  // no criteria: every record matches
  // `criteria` is the eight-slot list of FillCriteria; `make` turns a criterion text or a
  // comma-list item into a TItem. A list of another length gives a matcher whose every
  // evaluation fails with an error.
  template <class TMake>
  TBasicRecordMatcher(const std::vector<std::string>& criteria, TMake make);

  // `record` offers `std::string_view FieldText(int position)` for its current record (a
  // TTable does). Throws for an empty comma-list item that an evaluation reaches, and passes
  // on whatever reading a field throws.
  template <class TRecord>
  bool Matches(TRecord& record) const;

 private:
  std::string FError;
  std::optional<TItem> FCompany;
  std::optional<TItem> FCity;
  std::optional<TQuotedListTest> FStates;
  std::optional<TQuotedListTest> FEmployees;
  std::optional<TQuotedListTest> FSales;
  std::optional<TPatternListTest<TItem>> FZip;
  std::optional<TPatternListTest<TItem>> FSIC;
  std::optional<TItem> FSICDesc;
};

class TRecordMatcher : public TBasicRecordMatcher<TPattern> {
 public:
  TRecordMatcher() = default;
  explicit TRecordMatcher(const std::vector<std::string>& criteria);
};

// The criteria under match options; `fold` is the source table's code page's (TCaseFold).
class TOptionMatcher : public TBasicRecordMatcher<TOptionPattern> {
 public:
  TOptionMatcher() = default;
  TOptionMatcher(const std::vector<std::string>& criteria, const TMatchOptions& options,
                 const TCaseFold& fold);
};

template <class TItem>
template <class TMake>
TBasicRecordMatcher<TItem>::TBasicRecordMatcher(const std::vector<std::string>& criteria,
                                                TMake make) {
  if (criteria.size() != CriteriaSlotCount) {
    FError = "The search criteria list holds " + std::to_string(criteria.size()) +
             " entries instead of " + std::to_string(CriteriaSlotCount) + ".";
    return;
  }
  if (!criteria[csCompany].empty()) FCompany.emplace(make(criteria[csCompany]));
  if (!criteria[csCity].empty()) FCity.emplace(make(criteria[csCity]));
  if (!criteria[csStates].empty()) FStates.emplace(criteria[csStates]);
  if (!criteria[csEmployees].empty()) FEmployees.emplace(criteria[csEmployees]);
  if (!criteria[csSales].empty()) FSales.emplace(criteria[csSales]);
  if (!criteria[csZip].empty())
    FZip.emplace(criteria[csZip], "The zip code list contains an empty item.", make);
  if (!criteria[csSIC].empty())
    FSIC.emplace(criteria[csSIC], "The SIC code list contains an empty item.", make);
  if (!criteria[csSICDesc].empty()) FSICDesc.emplace(make(criteria[csSICDesc]));
}

template <class TItem>
template <class TRecord>
bool TBasicRecordMatcher<TItem>::Matches(TRecord& record) const {
  if (!FError.empty()) throw std::runtime_error(FError);
  if (FCompany && !FCompany->Matches(record.FieldText(sfCompany))) return false;
  if (FCity && !FCity->Matches(record.FieldText(sfCity))) return false;
  if (FStates && !FStates->Contains(TrimBlanks(record.FieldText(sfState)))) return false;
  if (FEmployees && !FEmployees->Contains(TrimBlanks(record.FieldText(sfEmployees)))) {
    return false;
  }
  if (FSales && !FSales->Contains(TrimBlanks(record.FieldText(sfSales)))) return false;
  if (FZip) {
    std::string_view zip = record.FieldText(sfZip);
    bool found = false;
    for (const TItem& item : FZip->Items()) {
      if (item.Matches(zip)) {
        found = true;
        break;
      }
    }
    if (!found) {
      FZip->CheckReachedEnd();
      return false;
    }
  }
  if (FSIC) {
    // The further SIC positions are read only when an item needs them.
    std::string_view sic = record.FieldText(sfSIC);
    std::optional<std::string_view> sic2, sic3;
    bool found = false;
    for (const TItem& item : FSIC->Items()) {
      if (item.Matches(sic)) {
        found = true;
        break;
      }
      if (!sic2) sic2 = record.FieldText(sfSIC2);
      if (item.Matches(*sic2)) {
        found = true;
        break;
      }
      if (!sic3) sic3 = record.FieldText(sfSIC3);
      if (item.Matches(*sic3)) {
        found = true;
        break;
      }
    }
    if (!found) {
      FSIC->CheckReachedEnd();
      return false;
    }
  }
  if (FSICDesc && !FSICDesc->Matches(record.FieldText(sfSICDesc))) return false;
  return true;
}

}  // namespace lw
