#include "PasswordScramble.h"

namespace lw {

namespace {

char MapByte(char c) {
  return static_cast<char>((0x7F - static_cast<unsigned char>(c) + 0x20) & 0xFF);
}

}  // namespace

std::string ScramblePassword(const std::string& text) {
  std::string out = "#";
  for (auto it = text.rbegin(); it != text.rend(); ++it) out += MapByte(*it);
  return out + "@A";
}

std::string UnscramblePassword(const std::string& text) {
  if (text.size() <= 3) return {};
  const std::string inner = text.substr(1, text.size() - 3);
  std::string out(inner.size(), '\0');
  for (size_t i = 0; i < inner.size(); ++i) out[inner.size() - 1 - i] = MapByte(inner[i]);
  return out;
}

}  // namespace lw
