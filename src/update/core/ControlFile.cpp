#include "ControlFile.h"

#include <algorithm>
#include <stdexcept>

#include "strutil/StrUtil.h"

namespace lw {

TControlFile::TControlFile(const std::string& content, TExpand expand)
    : FIni(content), FExpand(std::move(expand)) {
  for (const std::string& section : FIni.Sections()) {
    if (section.size() < 5 || section.size() > 14 || !Str_SameText(section.substr(0, 4), "file"))
      continue;
    int64_t n = 0;
    if (section.find_first_not_of("0123456789", 4) == std::string::npos &&
        StrictInteger(section.substr(4), n) && n <= INT32_MAX && section[4] != '0')
      FLastFileSection = std::max(FLastFileSection, static_cast<int>(n));
  }
}

std::string TControlFile::Text(const char* section, const char* key, const char* def) const {
  return FIni.ReadString(section, key, def);
}

std::string TControlFile::Expanded(const std::string& section, const char* key) const {
  const std::string v = FIni.ReadString(section, key, "");
  return FExpand ? FExpand(v) : v;
}

int64_t TControlFile::Integer(const std::string& section, const char* key, int64_t def) const {
  int64_t v = 0;
  return StrictInteger(FIni.ReadString(section, key, ""), v) ? v : def;
}

TUpdateCriteria TControlFile::Criteria(const std::string& section) const {
  TUpdateCriteria c;
  c.NewVersion = FIni.ReadString(section, "newversion", "");
  c.LocalVersion = Expanded(section, "localversion");
  c.NewSize = Integer(section, "newsize", 0);
  c.NewChecksum = Integer(section, "newchecksum", -1);
  return c;
}

int TControlFile::FileCount() const {
  const std::string text = FilesCount();
  int64_t v = 0;
  if (!StrictInteger(text, v) || v < INT32_MIN || v > INT32_MAX)
    throw EControlFileCount("'" + text + "' is not a valid integer value");
  return static_cast<int>(std::clamp<int64_t>(v, 0, FLastFileSection));
}

TFileEntry TControlFile::File(int n) const {
  const std::string section = "file" + std::to_string(n);
  TFileEntry e;
  e.Descr = FIni.ReadString(section, "descr", "");
  e.Url = Expanded(section, "url");
  e.Criteria = Criteria(section);
  e.CustomVersion = FIni.ReadString(section, "customversion", "");
  e.TargetDir = Expanded(section, "targetdir");
  if (!e.TargetDir.empty() && e.TargetDir.back() != '\\' && e.TargetDir.back() != '/')
    e.TargetDir += '\\';
  e.Compressed = Integer(section, "compressed", 0) == 1;
  e.Sha256 = Str_Trim(FIni.ReadString(section, "sha256", ""));
  e.Size = Integer(section, "size", 0);
  return e;
}

std::string TControlFile::LineBreaks(const std::string& s) {
  return Str_StrTran(s, "\\n", "\r");
}

bool StrictInteger(const std::string& text, int64_t& value) {
  const std::string t = Str_Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i >= t.size() || t.size() - i > 18) return false;
  int64_t v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

}  // namespace lw
