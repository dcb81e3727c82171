#include "ExportFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace lw {

TExportFile::TExportFile(std::string path) : FPath(std::move(path)) {
  FFd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (FFd < 0) Fail("Cannot create", errno);
  FBuffer.reserve(kFlushAt + 64 * 1024);
}

TExportFile::TExportFile(int fd, std::string name)
    : FPath(std::move(name)), FFd(fd), FOwnsFd(false) {
  FBuffer.reserve(kFlushAt + 64 * 1024);
}

TExportFile::~TExportFile() {
  if (FFd < 0) return;
  try {
    Flush();
  } catch (...) {
    // The failure that ended the run has been reported; what could be kept was written.
  }
  if (FOwnsFd) ::close(FFd);
}

void TExportFile::Fail(const char* what, int error) const {
  throw std::runtime_error(std::string(what) + " " + FPath + ": " + std::strerror(error));
}

void TExportFile::Flush() {
  const char* p = FBuffer.data();
  size_t left = FBuffer.size();
  while (left > 0) {
    const ssize_t n = ::write(FFd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      FBuffer.clear();
      Fail("Cannot write to", error);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  FBuffer.clear();
}

void TExportFile::Close() {
  if (FFd < 0) return;
  Flush();
  const int fd = FFd;
  FFd = -1;
  if (FOwnsFd && ::close(fd) != 0) Fail("Cannot write to", errno);
}

}  // namespace lw
