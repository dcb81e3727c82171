#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace lw {

// An initialization file with the Windows semantics: "[section]" headers, "key=value" lines,
// names compared without regard to case, values trimmed and stripped of one pair of
// enclosing quotes and cut at 2047 characters, ';' comment lines.
//
// Nothing is cached: every read parses the file as it is on disk and every write edits the
// file at once, touching only the affected lines (comments, blank lines and the order of the
// other lines survive). A missing file reads as empty and is created by the first write.
// Writes use CRLF line ends; files with LF or CR line ends read the same. A file that starts
// with the UTF-16LE mark is read and written as UTF-16LE; a UTF-8 mark is not recognised.
// A read-only file or a file in a read-only directory is never replaced: writes fail.
class TIniFile {
 public:
  static constexpr std::size_t kMaxValueLength = 2047;

  explicit TIniFile(std::string fileName);
  const std::string& FileName() const { return FFileName; }

  // Reading never fails: a missing file, section or key gives `def`.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Leading decimal integer of the value (optional sign); `def` when the key is absent or
  // the value does not start with a number.
  long ReadInteger(const std::string& section, const std::string& key, long def) const;
  // "0" is false, any other number true; `def` when absent or not a number.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // Key names of the section in file order (first occurrence of the section only).
  std::vector<std::string> ReadSection(const std::string& section) const;
  // Section names in file order.
  std::vector<std::string> ReadSections() const;
  // "key=value" lines of the section (values as ReadString returns them).
  std::vector<std::string> ReadSectionValues(const std::string& section) const;

  // Writes go to the file at once. Failure throws std::runtime_error
  // "Unable to write to <file>".
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, long value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Removes the key's line; a missing key or file is not an error.
  void DeleteKey(const std::string& section, const std::string& key);
  // Removes the section's header and key lines (comment lines inside it stay).
  void EraseSection(const std::string& section);
  // Whether writes leave the file readable and writable by its owner only (mode 0600), as
  // a file holding a password must be.
  void SetOwnerOnly(bool value) { FOwnerOnly = value; }
  // Writes are immediate; kept for callers that flush explicitly.
  void UpdateFile() {}

 private:
  std::string FFileName;
  bool FOwnerOnly = false;
};

// A whole initialization text parsed once and kept in memory, read only, with TIniFile's
// reading rules. For text that must not be read from disk again after it was checked (a
// verified download): every read answers from the one parse, in constant time.
class TIniText {
 public:
  explicit TIniText(const std::string& content);

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  bool SectionExists(const std::string& section) const;
  // Section names in file order, each once.
  const std::vector<std::string>& Sections() const { return FSections; }

 private:
  using TKeys = std::unordered_map<std::string, std::string>;  // lower-case key -> raw value
  std::unordered_map<std::string, TKeys> FValues;              // lower-case section -> keys
  std::vector<std::string> FSections;
};

}  // namespace lw
