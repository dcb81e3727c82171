#pragma once

#include <string>

namespace lw::publish {

// The whole file; throws with the path and the system's reason.
std::string ReadWholeFile(const std::string& path);
// Creates `path` with `mode`, refusing to replace anything that exists under that name.
void WriteNewFile(const std::string& path, const std::string& bytes, unsigned mode);
// Replaces `path` in one step (a temporary file beside it, renamed over it when complete), so
// that a server publishing from this directory never serves half a file.
void ReplaceFile(const std::string& path, const std::string& bytes);

}  // namespace lw::publish
