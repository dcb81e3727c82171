#include "StrUtil.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace lw {

std::string Str_Copy(const std::string& s, int64_t start, int64_t count) {
  const int64_t len = static_cast<int64_t>(s.size());
  if (start < 1 || start > len || count < 0) return {};
  const int64_t avail = len - start + 1;
  return s.substr(static_cast<size_t>(start - 1),
                  static_cast<size_t>(count < avail ? count : avail));
}

int64_t Str_Pos(const std::string& s, const std::string& sub, int n) {
  if (sub.empty() || n < 1) return 0;
  if (n == 1) {
    const size_t p = s.find(sub);
    return p == std::string::npos ? 0 : static_cast<int64_t>(p) + 1;
  }
  // Each search restarts one character after the start of the previous occurrence, so
  // occurrences may overlap ("aaa" holds "aa" at 1 and 2).
  size_t from = 0;
  int count = 0;
  while (from < s.size()) {
    const size_t p = s.find(sub, from);
    if (p == std::string::npos) return 0;
    if (++count == n) return static_cast<int64_t>(p) + 1;
    from = p + 1;
  }
  return 0;
}

std::string Str_Extract(const std::string& s, int n, const std::string& delim) {
  if (s.empty() || n < 1) return {};
  const int64_t len = static_cast<int64_t>(s.size());
  int64_t start = 0;
  if (n != 1) {
    start = Str_Pos(s, delim, n - 1);
    if (start == 0) return {};
  }
  int64_t end = Str_Pos(s, delim, n);
  if (end == 0) end = len + 1;
  return Str_Copy(s, start + 1, end - start - 1);
}

std::string Str_StrTran(const std::string& s, const std::string& find, const std::string& repl) {
  if (find.empty()) return s;
  std::string out;
  out.reserve(s.size());
  size_t from = 0;
  for (;;) {
    const size_t p = s.find(find, from);
    if (p == std::string::npos) break;
    out.append(s, from, p - from);
    out += repl;
    from = p + find.size();
  }
  out.append(s, from, std::string::npos);
  return out;
}

std::string Str_Replicate(char c, int64_t n) {
  return n <= 0 ? std::string() : std::string(static_cast<size_t>(n), c);
}

std::string Str_Space(int64_t n) {
  return Str_Replicate(' ', n);
}

std::string Str_PadLeft(const std::string& s, int n, char c) {
  if (n <= 0) return {};
  const int64_t len = static_cast<int64_t>(s.size());
  if (len < n) return Str_Replicate(c, n - len) + s;
  return Str_Right(s, n);
}

std::string Str_PadRight(const std::string& s, int n, char c) {
  if (n <= 0) return {};
  const int64_t len = static_cast<int64_t>(s.size());
  if (len < n) return s + Str_Replicate(c, n - len);
  return Str_Left(s, n);
}

std::string Str_Left(const std::string& s, int64_t n) {
  return Str_Copy(s, 1, n);
}

std::string Str_Right(const std::string& s, int64_t n) {
  return Str_Copy(s, static_cast<int64_t>(s.size()) - n + 1, n);
}

std::string Str_SubToEnd(const std::string& s, int64_t pos) {
  return Str_Copy(s, pos, static_cast<int64_t>(s.size()));
}

std::string Str_Stuff(const std::string& s, const std::string& ins, int64_t pos, int64_t count) {
  const int64_t len = static_cast<int64_t>(s.size());
  return Str_Copy(s, 1, pos - 1) + ins + Str_Copy(s, pos + count, len);
}

int Str_StrCount(const std::string& s, const std::string& sub) {
  if (sub.empty()) return 0;
  int count = 0;
  for (size_t p = s.find(sub); p != std::string::npos; p = s.find(sub, p + sub.size())) ++count;
  return count;
}

std::string Str_Upper(std::string s) {
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

std::string Str_Lower(std::string s) {
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

bool Str_SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Str_Trim(const std::string& s) {
  const char* blanks = " \t\v\r\n";
  const size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

namespace {

// A whole text as a decimal integer (leading blanks and a sign allowed), 0 otherwise.
int64_t ComponentValue(const std::string& text) {
  if (text.empty()) return 0;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE) return 0;
  return v;
}

std::string FormatScaled(double value, const char* unit) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", value);
  return std::string(buf) + unit;
}

}  // namespace

int CompareVer(const std::string& a, const std::string& b) {
  const std::string x = Str_StrTran(a, ".", ",");
  const std::string y = Str_StrTran(b, ".", ",");
  for (int i = 1; i <= 4; ++i) {
    const int64_t vx = ComponentValue(Str_Extract(x, i, ","));
    const int64_t vy = ComponentValue(Str_Extract(y, i, ","));
    if (vx < vy) return -1;
    if (vx > vy) return 1;
  }
  return 0;
}

std::string FileSizeFmt(int64_t n) {
  if (n < 1024) return std::to_string(n) + " bytes";
  if (n < 1024000) return FormatScaled(static_cast<double>(n) / 1024.0, " Kb");
  return FormatScaled(static_cast<double>(n) / 1024000.0, " Mb");
}

std::string FileSizeFmtSpeed(int64_t n) {
  if (n < 1000) return std::to_string(n) + " bytes/sec";
  if (n < 1000000) return FormatScaled(static_cast<double>(n) / 1000.0, " Kb/sec");
  return FormatScaled(static_cast<double>(n) / 1000000.0, " Mb/sec");
}

std::string UrlToFile(const std::string& url) {
  const size_t p = url.find_last_of("/\\");
  return p == std::string::npos ? url : url.substr(p + 1);
}

std::string ExtractServer(const std::string& url) {
  std::string rest = url;
  size_t p = rest.find("://");
  if (p != std::string::npos) rest.erase(0, p + 3);
  p = rest.find('@');
  if (p != std::string::npos) rest.erase(0, p + 1);
  p = rest.find('/');
  if (p != std::string::npos) rest.erase(p);
  return rest;
}

}  // namespace lw
