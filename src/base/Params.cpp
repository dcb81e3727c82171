#include "Params.h"

#include "strutil/StrUtil.h"

namespace lw {

std::string TParams::Name(int index) const {
  const std::string& line = FLines.at(static_cast<size_t>(index));
  const size_t eq = line.find('=');
  return eq == std::string::npos ? line : line.substr(0, eq);
}

int TParams::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < FLines.size(); ++i) {
    const std::string& line = FLines[i];
    const size_t eq = line.find('=');
    if (eq != std::string::npos && Str_SameText(line.substr(0, eq), name))
      return static_cast<int>(i);
  }
  return -1;
}

std::string TParams::Value(const std::string& name) const {
  const int i = IndexOfName(name);
  if (i < 0) return {};
  const std::string& line = FLines[static_cast<size_t>(i)];
  return line.substr(line.find('=') + 1);
}

void TParams::SetValue(const std::string& name, const std::string& value) {
  const int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) FLines.erase(FLines.begin() + i);
  } else if (i >= 0) {
    FLines[static_cast<size_t>(i)] = Name(i) + "=" + value;
  } else {
    FLines.push_back(name + "=" + value);
  }
}

}  // namespace lw
