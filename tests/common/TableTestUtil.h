#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "FieldDefs.h"

namespace lw::test {

// The whole content of a file, "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A field definition in one expression, for the structures tests create.
inline TFieldDef Def(const std::string& name, TFieldType type, int size = 0, int precision = 0) {
  TFieldDef d;
  d.Name = name;
  d.DataType = type;
  d.Size = size;
  d.Precision = precision;
  return d;
}

// The fixtures folder of the infused+dbf part of the dBase corpus (with a trailing '/'),
// found by name so that the tests do not depend on how that repository nests it; "" when the
// corpus is absent.
inline std::string InfusedFixturesDir(const std::string& corpusDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path root = fs::path(corpusDir) / "dbase" / "infused+dbf";
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory() && it->path().filename() == "fixtures") return it->path().string() + "/";
  }
  return {};
}

}  // namespace lw::test
