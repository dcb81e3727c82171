#pragma once

#include <string>

namespace lw {

// The reversible scrambling of the table password. Each byte c maps to (159 - c) mod 256, a
// map that is its own inverse.
//   ScramblePassword("abc")   == "#<=>@A"  ("#" + mapped bytes in reverse order + "@A")
//   UnscramblePassword(that)  == "abc"     (first and last two bytes dropped unchecked)
std::string ScramblePassword(const std::string& text);
std::string UnscramblePassword(const std::string& text);

}  // namespace lw
