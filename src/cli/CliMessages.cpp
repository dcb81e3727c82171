#include "CliMessages.h"

#include <cstdio>

namespace lw::cli {

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

void PrintMessage(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start)
      std::fprintf(stderr, "%s%s\n", kMessagePrefix, text.substr(start, end - start).c_str());
    start = end + 1;
  }
}

// The caption is the product's name, which the prefix already stands for.
void TCliNotifier::ShowInfo(const std::string&, const std::string& text) {
  if (!FQuiet) PrintMessage(text);
}

void TCliNotifier::ShowError(const std::string&, const std::string& text) {
  PrintMessage(text);
}

}  // namespace lw::cli
