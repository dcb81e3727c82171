#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Criteria.h"
#include "MatchOptions.h"

namespace lw {

class TIniFile;

// A search as the user states it: the eight inputs and the match options. It outlives a run
// in the user settings file: the last search in section "Last Search" (one key per input),
// named searches in section "Saved Searches" (one key per name). Texts are kept as UTF-8.
struct TStoredSearch {
  TCriteriaInputs Inputs;
  TMatchOptions Options;
  bool operator==(const TStoredSearch& other) const;
};

inline constexpr char kLastSearchSection[] = "Last Search";
inline constexpr char kSavedSearchesSection[] = "Saved Searches";

// The chosen rows of a list as text ("NY,CA", top to bottom), and back. A chosen header row
// stands for no choice and is not written; unknown row texts are left out when read.
std::string RowsText(const std::vector<bool>& selected, const std::string_view* rows, size_t count);
std::vector<bool> RowsFromText(std::string_view text, const std::string_view* rows, size_t count);

// A named search as one settings value: "key:value" fields separated by ';', where '%', ';'
// and control characters are written as %XX. Unknown fields are skipped, so a newer file
// still reads.
std::string EncodeSearch(const TStoredSearch& search);
TStoredSearch DecodeSearch(std::string_view text);

// The last search. Absent keys read as empty criteria and options off.
TStoredSearch ReadLastSearch(const TIniFile& ini);
// Throws "Unable to write to <file>" as every settings write does.
void WriteLastSearch(TIniFile& ini, const TStoredSearch& search);

// Why `name` cannot name a saved search ("" when it can): it must hold something besides
// blanks, and neither '=' nor line breaks, nor begin with '[' or ';' (the settings file's
// own syntax), and stay within the settings file's value length with its search.
std::string SearchNameProblem(std::string_view name);
// Names in file order.
std::vector<std::string> SavedSearchNames(const TIniFile& ini);
// Names compare without regard to case, as settings keys do.
std::optional<TStoredSearch> ReadSavedSearch(const TIniFile& ini, const std::string& name);
// Replaces a search of the same name. Throws std::invalid_argument for a name that
// SearchNameProblem refuses or a search too long for one settings value.
void WriteSavedSearch(TIniFile& ini, const std::string& name, const TStoredSearch& search);
// False when there was no such search.
bool DeleteSavedSearch(TIniFile& ini, const std::string& name);

}  // namespace lw
