#pragma once

#include <cstdint>
#include <vector>

#include "Value.h"

namespace lw {

class TTable;

// Orders values for IndexFieldNames: null first, numbers and calendar values by value,
// text without regard to ASCII case (then byte order, so the order is total).
int CompareValues(const TValue& a, const TValue& b);

// The in-memory order of a table by some of its fields: `order` maps a cursor position to a
// physical record number. `lastKey` remembers the key of the last position so that records
// appended later can be added without sorting again.
void BuildOrder(TTable& table, std::vector<int64_t>& order, const std::vector<int>& fields,
                std::vector<TValue>& lastKey);
// Adds physical records [from, to) to an existing order; sorts everything again only when a
// new record does not belong at the end.
void ExtendOrder(TTable& table, std::vector<int64_t>& order, int64_t from, int64_t to,
                 const std::vector<int>& fields, std::vector<TValue>& lastKey);

}  // namespace lw
