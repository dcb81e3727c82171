#pragma once

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

}  // namespace lw::test
