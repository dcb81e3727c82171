#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "TempDir.h"

namespace lw::test {

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Runs a shell command in `dir`; true when it exits with 0.
inline bool Shell(const std::string& dir, const std::string& command) {
  const std::string line = "cd '" + dir + "' && " + command + " >/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

// Text-like bytes of the given length (repeats enough to compress, varies enough to matter).
inline std::string Payload(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>("ledgerwake update "[i % 18] + i / 977 % 7);
  return s;
}

// A file carrying one of our version blocks with the given FileVersion.
inline std::string VersionedBytes(const std::string& version) {
  std::string b = "some program bytes ";
  b += '\x7f';
  b += "LW-VERSION-BLOCK-1";
  b += '\0';
  b += "FileVersion";
  b += '\0';
  b += version;
  b += '\0';
  b += '\0';
  return b + " trailing";
}

}  // namespace lw::test
