#pragma once

// Companion files of a Paradox table (.mb, .px, secondary indexes), found without regard to
// case because tables copied from other systems mix "CUSTOMER.DB" with "customer.mb".

#include <string>
#include <vector>

namespace lw::paradox {

// The existing companion with extension `ext` ("mb", "px"), or "" when there is none.
std::string FindCompanion(const std::string& tablePath, const std::string& ext);
// The name to create a companion under: the table's base name with `ext` in the case of the
// table's own extension.
std::string CompanionName(const std::string& tablePath, const std::string& ext);
// Secondary index files next to the table (.Xnn, .XGn), sorted by name.
std::vector<std::string> FindSecondaryIndexes(const std::string& tablePath);
// Every companion file a new table of this name must not inherit: .mb, .px, .val and the
// secondary index files (.Xnn, .Ynn, .XGn, .YGn).
std::vector<std::string> FindReplaceableCompanions(const std::string& tablePath);

}  // namespace lw::paradox
