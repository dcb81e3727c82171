#pragma once

#include <string>

namespace lw {

// How the headless core tells the user something. The program shows message boxes captioned
// with the application title; the command-line tool writes to stderr; tests record.
class TNotifier {
 public:
  virtual ~TNotifier() = default;
  // Information with one OK button; returns when the user has acknowledged it.
  virtual void ShowInfo(const std::string& caption, const std::string& text) = 0;
  // An error with one OK button and the stop icon.
  virtual void ShowError(const std::string& caption, const std::string& text) = 0;
  // A question with Yes and No, No being the default. Returns true for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) {
    (void)caption;
    (void)text;
    return false;
  }
};

// Writes "caption: text" lines to stderr; questions are answered No.
class TStderrNotifier : public TNotifier {
 public:
  void ShowInfo(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;
};

// Says nothing at all.
class TSilentNotifier : public TNotifier {
 public:
  void ShowInfo(const std::string&, const std::string&) override {}
  void ShowError(const std::string&, const std::string&) override {}
};

}  // namespace lw
