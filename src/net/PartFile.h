#pragma once

#include <string>

namespace lw {

// A download being received: a new file beside the target, with a name of its own, that
// becomes the target with one rename in Commit. Until then the target is untouched; destroying
// an uncommitted part file removes it. Failures throw ETransferError (LocalFile).
class TPartFile {
 public:
  explicit TPartFile(const std::string& target);
  ~TPartFile();
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;

  void Write(const char* data, size_t size);
  // Flushes the data to the disk and renames the part file over the target.
  void Commit();
  const std::string& Path() const { return FPath; }

 private:
  [[noreturn]] void Fail(const std::string& what, int error);

  std::string FTarget;
  std::string FPath;
  int FFd = -1;
};

}  // namespace lw
