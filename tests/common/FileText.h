#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace lw::test {

// The whole content of a file, "" when it cannot be read.
inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's content by `data`, byte for byte.
inline void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

}  // namespace lw::test
