#include "UpdateDate.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace lw {

namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts(1);
  for (char c : s) {
    if (c == sep)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

bool Number(const std::string& s, int& out) {
  if (s.empty() || s.size() > 4) return false;
  out = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<TUpdateDate> ParseUpdateDate(const std::string& text, const std::string& format,
                                           char separator) {
  // The field order comes from the first letter of each field of the format.
  std::string order;
  for (char c : format) {
    const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) order += l;
  }
  if (order.size() != 3) return std::nullopt;
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.erase(trimmed.begin());
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
  const std::vector<std::string> parts = Split(trimmed, separator);
  if (parts.size() != 3) return std::nullopt;
  TUpdateDate d;
  for (int i = 0; i < 3; ++i) {
    int v = 0;
    if (!Number(parts[i], v)) return std::nullopt;
    if (order[i] == 'd') d.Day = v;
    if (order[i] == 'm') d.Month = v;
    if (order[i] == 'y') d.Year = parts[i].size() <= 2 ? (v < 50 ? 2000 + v : 1900 + v) : v;
  }
  if (d.Year < 1 || d.Month < 1 || d.Month > 12 || d.Day < 1 ||
      d.Day > DaysInMonth(d.Year, d.Month))
    return std::nullopt;
  return d;
}

std::string FormatShortDate(const TUpdateDate& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
  return buf;
}

std::optional<TUpdateDate> ParseShortDate(const std::string& text) {
  return ParseUpdateDate(text, "yyyy-mm-dd", '-');
}

}  // namespace lw
