#pragma once

#include <string>
#include <vector>

#include "ExportTypes.h"

namespace lw {

// The name a row's field gets in the output table. dBase names hold at most 10 characters and
// no blanks or hyphens, so a longer name, or one with a blank or hyphen, becomes its first 7
// characters without blanks and hyphens followed by the row's position + 1 in three digits
// (COMPANY NAME at position 2 gives COMPANY003). Paradox keeps every name.
std::string ExportFieldName(const std::string& rowText, int position, TExportFormat format);

// The output names of the checked rows, in list order. Throws std::runtime_error naming both
// fields when two of them end up with the same name (names compare without regard to case).
std::vector<std::string> ExportFieldNames(const std::vector<TExportRow>& rows,
                                          TExportFormat format);

}  // namespace lw
