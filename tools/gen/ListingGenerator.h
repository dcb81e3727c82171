#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Prng.h"
#include "Value.h"

namespace lw::gen {

// Makes business listings, one record at a time, as values for the positions of
// ListingFieldDefs(). The same seed gives the same records on every machine.
class TListingGenerator {
 public:
  static constexpr uint64_t kDefaultSeed = 20260214;

  explicit TListingGenerator(uint64_t seed = kDefaultSeed);

  // The next record: one value per listing field; empty text is null.
  std::vector<TValue> Next();

 private:
  int PickWeighted(const std::vector<int>& cumulative);
  std::string CompanyName(int industry, int place);
  std::string Street();
  std::string Phone(const char* areaCode, const std::string& exchange);
  std::string Domain(const std::string& company);

  TPrng FRng;
  std::vector<int> FPlaceWeights;                    // cumulative
  std::vector<int> FIndustryWeights;                 // cumulative
  std::vector<std::vector<int>> FIndustriesByGroup;  // by the first two SIC digits
};

}  // namespace lw::gen
