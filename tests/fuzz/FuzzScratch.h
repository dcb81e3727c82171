#pragma once

// What the file-format fuzz targets share: a private scratch directory for the table files
// they write (removed at exit), writing bytes to a file, and splitting an input into a table
// and its companion file at a marker.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace lw::fuzz {

inline std::string& ScratchPath() {
  static std::string path;
  return path;
}

inline void RemoveScratchDir() {
  std::error_code ec;
  if (!ScratchPath().empty()) std::filesystem::remove_all(ScratchPath(), ec);
}

// "/tmp/fuzz-<name>-XXXXXX", made once per process.
inline const std::string& ScratchDir(const char* name) {
  static const std::string dir = [name] {
    std::string pattern = std::string("/tmp/fuzz-") + name + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return std::string("/tmp");
    ScratchPath() = pattern;
    std::atexit(RemoveScratchDir);
    return pattern;
  }();
  return dir;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The input is a table file, optionally followed by `mark` and the bytes of its companion
// (memo or blob) file.
struct TFuzzInput {
  std::string_view Table;
  std::string_view Companion;
  bool HasCompanion = false;
};

inline TFuzzInput SplitInput(const uint8_t* data, size_t size, std::string_view mark) {
  TFuzzInput in;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  in.Table = input;
  if (size_t at = input.rfind(mark); at != std::string_view::npos) {
    in.Table = input.substr(0, at);
    in.Companion = input.substr(at + mark.size());
    in.HasCompanion = true;
  }
  return in;
}

}  // namespace lw::fuzz
