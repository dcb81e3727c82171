#pragma once

#include <cstdint>
#include <string>

namespace lw {

// The name a Microsoft LZ ("SZDD") compressed file expands to: a trailing "_" is replaced by
// the character the header recorded (in lower case when the name is), or dropped when the
// header recorded none. "" when the file is not an SZDD file or its name does not end in "_"
// (it would expand onto itself).
std::string LzExpandedName(const std::string& path);

// The length the SZDD file at `path` declares for its expanded form; -1 when it is no SZDD
// file. The expansion never writes more than this.
int64_t LzExpandedLength(const std::string& path);

// Expands the SZDD file at `path` to its expanded name beside it. The output is written to a
// temporary file and renamed over the expanded name only when the whole expansion worked, so
// an existing file of that name is replaced atomically or stays as it was. The compressed
// file is never touched. False (and `error` set) on any failure.
bool LzExpandFile(const std::string& path, std::string* expandedName = nullptr,
                  std::string* error = nullptr);

}  // namespace lw
