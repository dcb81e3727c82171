#include "Files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "TempFile.h"

namespace lw::publish {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(error));
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("write", path, errno);
    done += static_cast<size_t>(n);
  }
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("read", path, errno);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) Fail("read", path, errno);
  return bytes;
}

void WriteNewFile(const std::string& path, const std::string& bytes, unsigned mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) Fail("create", path, errno);
  try {
    WriteAll(fd, bytes, path);
  } catch (...) {
    ::close(fd);
    ::unlink(path.c_str());
    throw;
  }
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(path.c_str());
    Fail("write", path, error);
  }
}

void ReplaceFile(const std::string& path, const std::string& bytes) {
  TTempFile temp(DirectoryOf(path), ".lw-publish-");
  if (!temp.IsOpen()) Fail("write beside", path, errno);
  WriteAll(temp.Fd(), bytes, path);
  if (!temp.Close() || !temp.RenameTo(path)) Fail("write", path, errno);
}

}  // namespace lw::publish
