#pragma once

#include <cstdint>
#include <string>

namespace lw {

// A new, uniquely named file "<dir>/<prefix>XXXXXX" opened for writing. It is made in the
// directory of the file it will replace so that the final rename stays on one file system
// and is atomic. Its permissions are the usual ones for a new file (0666 less the umask),
// not mkstemp's 0600. The descriptor is closed and the file removed unless Keep() is called.
class TTempFile {
 public:
  TTempFile(const std::string& dir, const std::string& prefix);
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  bool IsOpen() const { return FFd >= 0; }
  int Fd() const { return FFd; }
  const std::string& Path() const { return FPath; }
  // Closes the descriptor; false when buffered data could not reach the disk.
  bool Close();
  // Renames the file over `target` (atomic); afterwards the file is no longer removed. A
  // target that exists hands its mode and owner on to its replacement (an executable script
  // stays executable), as far as this process may set them.
  bool RenameTo(const std::string& target);

 private:
  int FFd = -1;
  std::string FPath;
  bool FKeep = false;
};

// The directory part of a path ("." for a bare name), for TTempFile.
std::string DirectoryOf(const std::string& path);

// The bytes an unprivileged writer may still put on the file system holding `dir`; -1 when
// that cannot be told.
int64_t FreeBytes(const std::string& dir);

}  // namespace lw
