#include "ParadoxFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace lw::paradox {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct TSplit {
  fs::path Dir;
  std::string Base;  // file name without the extension
  std::string Ext;   // without the dot
};

TSplit Split(const std::string& tablePath) {
  fs::path p(tablePath);
  TSplit s;
  s.Dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::string name = p.filename().string();
  size_t dot = name.rfind('.');
  s.Base = dot == std::string::npos ? name : name.substr(0, dot);
  s.Ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  return s;
}

// Names in the table's directory whose lower-case form satisfies `match`.
template <class F>
std::vector<std::string> ListMatching(const TSplit& s, F match) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(s.Dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (match(Lower(name))) out.push_back((s.Dir / name).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

std::string CompanionName(const std::string& tablePath, const std::string& ext) {
  TSplit s = Split(tablePath);
  bool upper = !s.Ext.empty() && std::isupper(static_cast<unsigned char>(s.Ext[0]));
  std::string e = ext;
  for (char& c : e)
    c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                : std::tolower(static_cast<unsigned char>(c)));
  return (s.Dir / (s.Base + "." + e)).string();
}

std::string FindCompanion(const std::string& tablePath, const std::string& ext) {
  std::string preferred = CompanionName(tablePath, ext);
  std::error_code ec;
  if (fs::is_regular_file(preferred, ec)) return preferred;
  TSplit s = Split(tablePath);
  const std::string want = Lower(s.Base + "." + ext);
  auto found = ListMatching(s, [&](const std::string& n) { return n == want; });
  for (const std::string& f : found)
    if (fs::is_regular_file(f, ec)) return f;
  return "";
}

std::vector<std::string> FindSecondaryIndexes(const std::string& tablePath) {
  TSplit s = Split(tablePath);
  const std::string prefix = Lower(s.Base) + ".";
  return ListMatching(s, [&](const std::string& n) {
    if (n.size() != prefix.size() + 3 || n.compare(0, prefix.size(), prefix) != 0) return false;
    const char* e = n.c_str() + prefix.size();
    return e[0] == 'x' && (IsHexDigit(e[1]) || e[1] == 'g') && IsHexDigit(e[2]);
  });
}

std::vector<std::string> FindReplaceableCompanions(const std::string& tablePath) {
  TSplit s = Split(tablePath);
  const std::string prefix = Lower(s.Base) + ".";
  return ListMatching(s, [&](const std::string& n) {
    if (n.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string e = n.substr(prefix.size());
    if (e == "mb" || e == "px" || e == "val") return true;
    return e.size() == 3 && (e[0] == 'x' || e[0] == 'y') && (IsHexDigit(e[1]) || e[1] == 'g') &&
           IsHexDigit(e[2]);
  });
}

}  // namespace lw::paradox
