#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lw {

// The common case of a cabinet, extracted with zlib's inflate (several times faster than the
// general decompressor): one cabinet (not part of a set), every folder stored or MSZIP, every
// file inside one folder without overlapping another. Returns 0 when it extracted the
// cabinet, -1 when the cabinet is damaged or a file cannot be written (`error` set), and 1
// when the cabinet is not of that kind or a block checksum disagrees, so that the general
// decompressor decides. Stored names are checked as CabExtract checks them.
int CabExtractMszip(const std::string& cabinet, const std::string& base, std::string* error);

// The checksum of a data block: its bytes as 32-bit little-endian words XORed into `seed`,
// the last one to three bytes folded in last; a block's stored checksum is this over its two
// size fields, seeded with this over its data.
uint32_t CabinetChecksum(const unsigned char* data, size_t bytes, uint32_t seed);

}  // namespace lw

namespace lw {

// Sets a file's modification time from a cabinet's local date and time fields.
void SetCabinetFileTime(const std::string& path, int year, int month, int day, int hour, int minute,
                        int second);

}  // namespace lw
