#pragma once

#include <optional>
#include <string>

namespace lw {

// A calendar date of an update (no time of day).
struct TUpdateDate {
  int Year = 1980;
  int Month = 1;
  int Day = 1;
  auto operator<=>(const TUpdateDate&) const = default;
};

// The date a run compares with when no update date was stored: 1 January 1980.
inline constexpr TUpdateDate kNoUpdateDate{};

// Reads `text` by `format` ("dd/mm/yyyy", "mm/dd/yyyy", "yyyy/mm/dd": the order of the d, m
// and y fields matters, the separator is `separator`): three decimal fields, a two-digit year
// taken within 1950..2049. Empty when the text does not fit or names no real day.
std::optional<TUpdateDate> ParseUpdateDate(const std::string& text, const std::string& format,
                                           char separator);

// The short date form the program writes and shows: "yyyy-mm-dd" (readable the same way in
// every locale, and by ParseUpdateDate(text, "yyyy-mm-dd", '-')).
std::string FormatShortDate(const TUpdateDate& date);
std::optional<TUpdateDate> ParseShortDate(const std::string& text);

}  // namespace lw
