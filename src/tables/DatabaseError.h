#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace lw {

// Every failure of the table engine. The message names the table file and the reason.
class EDatabaseError : public std::runtime_error {
 public:
  explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// The reason given when a protected table is opened without its password: a caller that can
// ask the user for one tells this failure from the others by it.
inline constexpr char kPasswordMissing[] =
    "table is password-protected (wrong or missing password)";
inline bool IsPasswordMissing(const std::exception& e) {
  const std::string_view text = e.what(), reason = kPasswordMissing;
  return text.size() >= reason.size() && text.substr(text.size() - reason.size()) == reason;
}

// Builds "<file>: <reason>" so that every message names the file it is about.
[[noreturn]] void ThrowTableError(const std::string& file, const std::string& reason);

}  // namespace lw
