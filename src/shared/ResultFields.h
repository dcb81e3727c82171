#pragma once

#include <string_view>
#include <vector>

#include "FieldDefs.h"

namespace lw {

// The width a telephone or fax text takes once the worker has written it as "(ddd) ddd-dddd".
inline constexpr int kPhoneTextWidth = 14;

// True when a field of this name holds a telephone or fax number: the name begins with
// TEL or FAX, in any letter case.
bool IsPhoneFieldName(std::string_view name);

// The result table's fields for a source table's: "Result", which numbers the matches, then
// the source's fields in their order, telephone and fax texts widened to hold their
// formatted form (a result table shaped exactly like the source would cut every number).
std::vector<TFieldDef> ResultFieldsFor(const std::vector<TFieldDef>& sourceFields);

// True when a result table of `held` fields can take the records of a source table whose
// result fields are `wanted`: the same names and types, the same widths, and telephone and
// fax texts at least as wide.
bool ResultFieldsFit(const std::vector<TFieldDef>& held, const std::vector<TFieldDef>& wanted);

}  // namespace lw
