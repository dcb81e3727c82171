#pragma once

#include <string>

namespace lw {

// The SHA-256 of the file as 64 lower-case hex digits; "" when it cannot be read.
std::string FileSha256Hex(const std::string& path);
// Whether the file's digest equals `hex` (letter case of the hex digits ignored).
bool FileMatchesSha256(const std::string& path, const std::string& hex);

}  // namespace lw
