#pragma once

#include <stdexcept>
#include <string>

namespace lw {

// Every failure of the table engine. The message names the table file and the reason.
class EDatabaseError : public std::runtime_error {
 public:
  explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// Builds "<file>: <reason>" so that every message names the file it is about.
[[noreturn]] void ThrowTableError(const std::string& file, const std::string& reason);

}  // namespace lw
