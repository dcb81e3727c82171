#include "Notifier.h"

#include <cstdio>

namespace lw {

namespace {

void Write(const char* kind, const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", kind,
               text.c_str());
}

}  // namespace

void TStderrNotifier::ShowInfo(const std::string& caption, const std::string& text) {
  Write("", caption, text);
}

void TStderrNotifier::ShowError(const std::string& caption, const std::string& text) {
  Write("error: ", caption, text);
}

}  // namespace lw
