#pragma once

#include <string>

#include "Notifier.h"

namespace lw::cli {

// Every line ledgerwake-cli writes on stderr about a failure or a notice starts with this, so
// that in a script's log it says where it came from.
inline constexpr char kMessagePrefix[] = "ledgerwake-cli: ";

// `text` with its line breaks turned into blanks: a message read from a file may hold some.
std::string OneLine(std::string text);

// Writes each non-empty line of `text` (start-up errors come as several, framed by line
// breaks) on stderr after the prefix.
void PrintMessage(const std::string& text);

// How the shared data reaches the user of a command: its notices (the sample table in use, a
// rebuilt result table) unless the command was asked to be quiet, its errors always.
class TCliNotifier : public TNotifier {
 public:
  explicit TCliNotifier(bool quiet) : FQuiet(quiet) {}
  void ShowInfo(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;

 private:
  bool FQuiet;
};

}  // namespace lw::cli
