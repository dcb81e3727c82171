#pragma once

#include <cstdint>
#include <string>

namespace lw::gen {

// Writes `records` generated listings into a new Paradox table at `path` (replacing it), and
// protects it with `password` when that is not empty.
void WriteListingTable(const std::string& path, int64_t records, uint64_t seed,
                       const std::string& password = "");

// Writes the empty result table at `path`, protected with the table password.
void WriteResultTable(const std::string& path);

// The files the program expects next to it: sample/sample.db, data/swap.db, setup.ini, and
// lwconfig.ini unless one is already there (it holds the user's own settings).
void WriteProgramFiles(const std::string& dir, int64_t records, uint64_t seed);

}  // namespace lw::gen
