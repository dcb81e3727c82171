#pragma once

#include <span>

namespace lw::gen {

// A real 4-digit SIC industry with its title, and a short trade word that company names of
// the industry use ("Plumbing", "Fitness Center"). Weight sets how common the industry is.
struct TIndustry {
  const char* Code;
  const char* Description;
  const char* Trade;
  int Weight;
};

std::span<const TIndustry> Industries();

}  // namespace lw::gen
