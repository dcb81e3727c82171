#pragma once

#include <string>
#include <string_view>

namespace lw {

// The CSV output: a file written through a large buffer. Failures throw std::runtime_error
// naming the file and the system's reason.
class TExportFile {
 public:
  // Creates the file (an existing one is truncated).
  explicit TExportFile(std::string path);
  // Writes to a descriptor that stays open (standard output); `name` names it in messages.
  TExportFile(int fd, std::string name);
  // Writes what is buffered and closes, swallowing errors: a failed run keeps what it wrote.
  ~TExportFile();
  TExportFile(const TExportFile&) = delete;
  TExportFile& operator=(const TExportFile&) = delete;

  // The buffer itself: writers append to it and call Written() after each line.
  std::string& Buffer() { return FBuffer; }
  void Written() {
    if (FBuffer.size() >= kFlushAt) Flush();
  }
  void Flush();
  // Flushes and closes; errors throw.
  void Close();

 private:
  static constexpr size_t kFlushAt = 256 * 1024;
  [[noreturn]] void Fail(const char* what, int error) const;

  std::string FPath;
  int FFd = -1;
  bool FOwnsFd = true;
  std::string FBuffer;
};

}  // namespace lw
