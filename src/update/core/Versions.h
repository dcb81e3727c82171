#pragma once

#include <cstdint>
#include <string>

namespace lw {

// A file version as two signed 32-bit numbers: major * 65536 + minor, release * 65536 + build.
struct TFileVersion64 {
  int32_t Ms = -1;
  int32_t Ls = -1;
};

// Four numbers separated by "." (by "," when the text holds a ","). False when the text does
// not hold exactly four decimal numbers.
bool ParseVersionText(const std::string& text, TFileVersion64& version);
// The FileVersion of the file's version block; (-1, -1) for a missing file or one without a
// block (or with a version that is not four numbers).
TFileVersion64 LocalFileVersion(const std::string& path);
// -1 plus every byte of the file (unsigned) in 32-bit arithmetic with wrap-around; -1 when
// the file is missing or unreadable. The maker's control-file tool computes the same sum.
int32_t FileChecksum(const std::string& path);
// Size in bytes, -1 for a missing file.
int64_t LocalFileSize(const std::string& path);

// The version test of a control-file entry: true means "update". No criterion (empty
// version, size 0, checksum -1) or an empty local path means update; a size above 0 decides
// alone; otherwise the checksum decides and a newer version can still turn the answer to
// update.
bool CheckVersions(const std::string& newVersion, const std::string& localFile, int64_t newChecksum,
                   int64_t newSize);

// How an entry says that an update exists (the run reports it).
enum class TUpdateKind { None, Date, Checksum, Version, FileSize };
// The kind for the `update` section; `date` wins, then a criterion with a local file.
TUpdateKind UpdateKindOf(const std::string& date, const std::string& newVersion,
                         const std::string& localFile, int64_t newChecksum, int64_t newSize);

}  // namespace lw
