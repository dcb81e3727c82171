#include "StoredSearch.h"

#include <algorithm>
#include <stdexcept>

#include "CriteriaLists.h"
#include "IniFile.h"
#include "NameCompare.h"

namespace lw {

namespace {

// The settings key of each input, in the order the inputs are written.
struct TTextField {
  const char* Key;
  std::string TCriteriaInputs::*Text;
};
constexpr TTextField kTextFields[] = {
    {"company", &TCriteriaInputs::Company}, {"city", &TCriteriaInputs::City},
    {"zip", &TCriteriaInputs::Zip},         {"sic", &TCriteriaInputs::SIC},
    {"sicdesc", &TCriteriaInputs::SICDesc}, {"near", &TCriteriaInputs::Near},
    {"miles", &TCriteriaInputs::Miles},
};
struct TListField {
  const char* Key;
  std::vector<bool> TCriteriaInputs::*Selected;
  const std::string_view* Rows;
  size_t Count;
};
const TListField kListFields[] = {
    {"states", &TCriteriaInputs::States, StateRows.data(), StateRows.size()},
    {"employees", &TCriteriaInputs::Employees, EmployeeRows.data(), EmployeeRows.size()},
    {"sales", &TCriteriaInputs::Sales, SalesRows.data(), SalesRows.size()},
};
constexpr char kIgnoreCaseKey[] = "ignorecase";
constexpr char kWildcardsKey[] = "wildcards";

bool Escaped(unsigned char c) {
  return c == '%' || c == ';' || c < 0x20;
}

std::string Escape(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (!Escaped(c)) {
      out += ch;
      continue;
    }
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const int hi = text[i] == '%' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int lo = hi >= 0 ? HexDigit(text[i + 2]) : -1;
    if (lo < 0) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

// Stored with quotes: the settings file trims values, and a blank typed at the end of a
// criterion is part of it.
std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// Settings keys lose their surrounding blanks when read; so does a name.
std::string Trimmed(std::string_view name) {
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(name.substr(first, name.find_last_not_of(" \t") - first + 1));
}

}  // namespace

bool TStoredSearch::operator==(const TStoredSearch& other) const {
  auto sameRows = [](std::vector<bool> a, std::vector<bool> b) {
    a.resize(std::max(a.size(), b.size()));
    b.resize(a.size());
    return a == b;
  };
  for (const TTextField& f : kTextFields)
    if (Inputs.*f.Text != other.Inputs.*f.Text) return false;
  for (const TListField& f : kListFields)
    if (!sameRows(Inputs.*f.Selected, other.Inputs.*f.Selected)) return false;
  return Options == other.Options;
}

std::string RowsText(const std::vector<bool>& selected, const std::string_view* rows,
                     size_t count) {
  if (!selected.empty() && selected[0]) return {};
  std::string out;
  for (size_t i = 1; i < count && i < selected.size(); ++i)
    if (selected[i]) out += (out.empty() ? "" : ",") + std::string(rows[i]);
  return out;
}

std::vector<bool> RowsFromText(std::string_view text, const std::string_view* rows, size_t count) {
  std::vector<bool> selected;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view row = text.substr(0, comma);
    for (size_t i = 1; i < count; ++i) {
      if (rows[i] != row) continue;
      selected.resize(count, false);
      selected[i] = true;
    }
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return selected;
}

std::string EncodeSearch(const TStoredSearch& search) {
  std::string out;
  auto field = [&out](const char* key, const std::string& value) {
    if (value.empty()) return;
    out += (out.empty() ? "" : ";") + std::string(key) + ":" + Escape(value);
  };
  for (const TTextField& f : kTextFields) field(f.Key, search.Inputs.*f.Text);
  for (const TListField& f : kListFields)
    field(f.Key, RowsText(search.Inputs.*f.Selected, f.Rows, f.Count));
  if (search.Options.IgnoreCase) field(kIgnoreCaseKey, "1");
  if (search.Options.Wildcards) field(kWildcardsKey, "1");
  return out;
}

TStoredSearch DecodeSearch(std::string_view text) {
  TStoredSearch search;
  while (!text.empty()) {
    const size_t end = text.find(';');
    const std::string_view item = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t colon = item.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = item.substr(0, colon);
    const std::string value = Unescape(item.substr(colon + 1));
    for (const TTextField& f : kTextFields)
      if (key == f.Key) search.Inputs.*f.Text = value;
    for (const TListField& f : kListFields)
      if (key == f.Key) search.Inputs.*f.Selected = RowsFromText(value, f.Rows, f.Count);
    if (key == kIgnoreCaseKey) search.Options.IgnoreCase = value == "1";
    if (key == kWildcardsKey) search.Options.Wildcards = value == "1";
  }
  return search;
}

TStoredSearch ReadLastSearch(const TIniFile& ini) {
  TStoredSearch search;
  for (const TTextField& f : kTextFields)
    search.Inputs.*f.Text = ini.ReadString(kLastSearchSection, f.Key, "");
  for (const TListField& f : kListFields)
    search.Inputs.*f.Selected =
        RowsFromText(ini.ReadString(kLastSearchSection, f.Key, ""), f.Rows, f.Count);
  search.Options.IgnoreCase = ini.ReadBool(kLastSearchSection, kIgnoreCaseKey, false);
  search.Options.Wildcards = ini.ReadBool(kLastSearchSection, kWildcardsKey, false);
  return search;
}

void WriteLastSearch(TIniFile& ini, const TStoredSearch& search) {
  for (const TTextField& f : kTextFields)
    ini.WriteString(kLastSearchSection, f.Key, Quoted(search.Inputs.*f.Text));
  for (const TListField& f : kListFields)
    ini.WriteString(kLastSearchSection, f.Key,
                    RowsText(search.Inputs.*f.Selected, f.Rows, f.Count));
  ini.WriteBool(kLastSearchSection, kIgnoreCaseKey, search.Options.IgnoreCase);
  ini.WriteBool(kLastSearchSection, kWildcardsKey, search.Options.Wildcards);
}

std::string SearchNameProblem(std::string_view name) {
  if (name.find_first_not_of(" \t") == std::string_view::npos)
    return "A saved search needs a name.";
  if (name.find_first_of("=\r\n") != std::string_view::npos)
    return "A search name cannot hold '=' or a line break.";
  const char first = name[name.find_first_not_of(" \t")];
  if (first == '[' || first == ';') return "A search name cannot begin with '[' or ';'.";
  return {};
}

std::vector<std::string> SavedSearchNames(const TIniFile& ini) {
  return ini.ReadSection(kSavedSearchesSection);
}

std::optional<TStoredSearch> ReadSavedSearch(const TIniFile& ini, const std::string& given) {
  const std::string name = Trimmed(given);
  if (!SearchNameProblem(name).empty() || !ini.ValueExists(kSavedSearchesSection, name))
    return std::nullopt;
  return DecodeSearch(ini.ReadString(kSavedSearchesSection, name, ""));
}

void WriteSavedSearch(TIniFile& ini, const std::string& given, const TStoredSearch& search) {
  const std::string name = Trimmed(given);
  if (std::string problem = SearchNameProblem(name); !problem.empty())
    throw std::invalid_argument(problem);
  const std::string value = EncodeSearch(search);
  if (value.size() > TIniFile::kMaxValueLength)
    throw std::invalid_argument("The search is too long to be saved (" +
                                std::to_string(value.size()) + " characters, at most " +
                                std::to_string(TIniFile::kMaxValueLength) + ").");
  // A name typed in another letter case replaces the search it names.
  for (const std::string& existing : SavedSearchNames(ini))
    if (SameName(existing, name) && existing != name)
      ini.DeleteKey(kSavedSearchesSection, existing);
  ini.WriteString(kSavedSearchesSection, name, value);
}

bool DeleteSavedSearch(TIniFile& ini, const std::string& given) {
  const std::string name = Trimmed(given);
  if (!ReadSavedSearch(ini, name)) return false;
  ini.DeleteKey(kSavedSearchesSection, name);
  return true;
}

}  // namespace lw
