#include "ExportFieldNames.h"

#include <stdexcept>

#include "strutil/StrUtil.h"

namespace lw {

namespace {
constexpr size_t kDbaseNameLength = 10;
}

std::string ExportFieldName(const std::string& rowText, int position, TExportFormat format) {
  if (format != efDbase) return rowText;
  if (rowText.size() <= kDbaseNameLength && rowText.find_first_of(" -") == std::string::npos)
    return rowText;
  std::string name = Str_StrTran(Str_StrTran(rowText, " ", ""), "-", "");
  return Str_Left(name, 7) + Str_PadLeft(std::to_string(position + 1), 3, '0');
}

std::vector<std::string> ExportFieldNames(const std::vector<TExportRow>& rows,
                                          TExportFormat format) {
  std::vector<std::string> names;
  std::vector<const std::string*> sources;
  for (size_t p = 0; p < rows.size(); ++p) {
    if (!rows[p].Checked) continue;
    std::string name = ExportFieldName(rows[p].Name, static_cast<int>(p), format);
    for (size_t i = 0; i < names.size(); ++i) {
      if (Str_SameText(names[i], name))
        throw std::runtime_error("The fields \"" + *sources[i] + "\" and \"" + rows[p].Name +
                                 "\" would both be named " + name +
                                 " in the output table. Leave one of them out.");
    }
    names.push_back(std::move(name));
    sources.push_back(&rows[p].Name);
  }
  return names;
}

}  // namespace lw
