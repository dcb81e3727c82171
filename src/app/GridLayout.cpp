#include "GridLayout.h"

#include <cctype>
#include <optional>

#include "DBGrid.h"
#include "IniFile.h"
#include "Table.h"
#include "WidgetText.h"
#include "strutil/StrUtil.h"

namespace lw {

namespace {

constexpr const char* kSection = "Grid View";
constexpr int kDefaultWidth = 50;

// The whole text as a decimal integer (leading blanks and a sign allowed, nothing after).
std::optional<long> WholeNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  size_t digits = i;
  if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) ++digits;
  if (digits >= text.size()) return std::nullopt;
  for (size_t k = digits; k < text.size(); ++k)
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return std::nullopt;
  if (text.size() - digits > 9) return std::nullopt;
  return std::stol(text.substr(i));
}

}  // namespace

void LoadGridLayout(const TIniFile* ini, TTable* table, TDBGrid& grid) {
  std::vector<TGridColumn> columns;
  try {
    const std::vector<std::string> lines =
        ini ? ini->ReadSectionValues(kSection) : std::vector<std::string>();
    for (const std::string& line : lines) {
      const std::string fieldName = Str_Extract(line, 2, ";");
      const std::string title = Str_Extract(line, 3, ";");
      const std::optional<long> width = WholeNumber(Str_Extract(line, 4, ";"));
      const std::optional<long> bold = WholeNumber(Str_Extract(line, 5, ";"));
      TField* field = nullptr;
      try {
        field = table ? &table->FieldByName(fieldName) : nullptr;
      } catch (...) {
        continue;
      }
      if (!field) continue;
      TGridColumn c;
      c.FieldName = field->FieldName();
      c.Title = WidgetText(title);
      c.Width = width ? static_cast<int>(*width) : kDefaultWidth;
      c.Bold = bold.value_or(0) == 1;
      columns.push_back(std::move(c));
    }
  } catch (...) {
    // A section that cannot be read keeps the columns found so far.
  }
  if (columns.empty()) columns = grid.Model()->DefaultColumns();
  grid.SetColumns(std::move(columns));
}

void SaveGridLayout(TIniFile* ini, const TDBGrid& grid) {
  if (!ini) return;
  try {
    ini->EraseSection(kSection);
  } catch (...) {
    return;
  }
  const std::vector<TGridColumn> columns = grid.Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const TGridColumn& c = columns[i];
    if (c.FieldName.empty()) continue;
    try {
      ini->WriteString(kSection, "Col" + std::to_string(i),
                       ";" + c.FieldName + ";" + TableBytes(c.Title) + ";" +
                           std::to_string(c.Width) + ";" + (c.Bold ? "1" : "0"));
    } catch (...) {
    }
  }
}

}  // namespace lw
