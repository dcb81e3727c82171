#pragma once

#include <span>

namespace lw::gen {

// A real US city with its state, county, the first three digits of its zip codes, its
// telephone area code and its position. Weight is a rough size class (1 small to 9 large)
// that sets how often the city is chosen.
struct TPlace {
  const char* City;
  const char* State;
  const char* County;
  const char* ZipPrefix;
  const char* AreaCode;
  double Latitude;
  double Longitude;
  int Weight;
};

std::span<const TPlace> Places();

}  // namespace lw::gen
