#pragma once

#include <cstdlib>
#include <map>
#include <string>

namespace lw::test {

// Sets or clears environment variables for one test and puts them back afterwards.
class TEnvOverride {
 public:
  TEnvOverride() = default;
  TEnvOverride(const TEnvOverride&) = delete;
  TEnvOverride& operator=(const TEnvOverride&) = delete;
  ~TEnvOverride() {
    for (const auto& [name, value] : FSaved)
      value.second ? ::setenv(name.c_str(), value.first.c_str(), 1) : ::unsetenv(name.c_str());
  }
  void Set(const std::string& name, const std::string& value) {
    Keep(name);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Keep(name);
    ::unsetenv(name.c_str());
  }
  // HOME at `home`, the XDG base directories at their defaults below it.
  void UserHome(const std::string& home) {
    Set("HOME", home);
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) Unset(v);
  }

 private:
  void Keep(const std::string& name) {
    if (FSaved.count(name)) return;
    const char* v = std::getenv(name.c_str());
    FSaved[name] = {v ? v : "", v != nullptr};
  }
  std::map<std::string, std::pair<std::string, bool>> FSaved;
};

}  // namespace lw::test
