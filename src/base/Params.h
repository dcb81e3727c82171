#pragma once

#include <string>
#include <vector>

namespace lw {

// The settings list: one "name=value" line per key, in the order the keys were first written.
// Names compare without regard to case; an absent key reads as the empty text and writing
// the empty text removes the key, so "absent" and "empty" are one state. Key names are in
// SettingsKeys.h.
//
// Threads: not guarded; one thread reads and writes it (the user-interface thread in the
// program). A search worker copies the values it needs when it is constructed instead of
// reading the list while it runs.
class TParams {
 public:
  // The value of `name` (text after the first '=' of its line), or "" when absent.
  std::string Value(const std::string& name) const;
  std::string operator[](const std::string& name) const { return Value(name); }
  // Replaces the value of an existing key, appends a new line, or removes the line when
  // `value` is empty.
  void SetValue(const std::string& name, const std::string& value);
  bool Contains(const std::string& name) const { return IndexOfName(name) >= 0; }
  // Index of the line whose name equals `name` without regard to case, or -1.
  int IndexOfName(const std::string& name) const;

  int Count() const { return static_cast<int>(FLines.size()); }
  const std::vector<std::string>& Lines() const { return FLines; }
  std::string Name(int index) const;  // text before the first '=' of line `index`
  void Clear() { FLines.clear(); }

 private:
  std::vector<std::string> FLines;
};

}  // namespace lw
