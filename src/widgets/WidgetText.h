#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace lw {

// Tables, settings and criteria are 8-bit text; widgets speak QString. Every crossing of that
// boundary goes through these two functions, so a table's code page is honoured in one place.
//
// Known code pages: 1252 (Windows Western) and 437 (the DOS code page older Paradox tables
// record). 0 (a table that records none) means Windows-1252; any other code page falls back
// to Latin-1, which at least keeps every byte.
inline constexpr int kDefaultCodePage = 1252;

QString WidgetText(std::string_view bytes, int codePage = kDefaultCodePage);
// Characters the code page cannot hold become '?'.
std::string TableBytes(const QString& text, int codePage = kDefaultCodePage);

}  // namespace lw
