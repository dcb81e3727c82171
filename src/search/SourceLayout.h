#pragma once

namespace lw {

class TTable;

// Checks, before a search reads its first record, that the open source table holds a text
// field at every position the record matcher reads (positions 0 to 14). A table of another
// layout would otherwise be searched and copied with its columns shifted, or fail somewhere
// in the middle of the scan. Throws std::runtime_error saying, in a user's terms (fields
// counted from one, by name), which field does not fit and what a listings table has there.
void CheckSourceLayout(TTable& table);

}  // namespace lw
