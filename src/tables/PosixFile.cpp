#include "PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "DatabaseError.h"

namespace lw {

namespace {

// Lock bytes far past any real table size: the open lock and the writer lock.
constexpr off_t kOpenLockByte = 0x7FFFFFFF00LL;
constexpr off_t kWriteLockByte = kOpenLockByte + 1;

std::string ErrnoText(int err) {
  return std::strerror(err);
}

bool SetLock(int fd, short type, off_t start, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = 1;
  fl.l_pid = 0;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EINTR) continue;
    return false;
  }
}

}  // namespace

TPosixFile::TPosixFile(const std::string& path, Mode mode) : FPath(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::Create:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  FFd = ::open(path.c_str(), flags, 0644);
  if (FFd < 0) {
    int err = errno;
    if (err == ENOENT) ThrowTableError(path, "file not found");
    ThrowTableError(path, "cannot open: " + ErrnoText(err));
  }
  struct stat st {};
  if (fstat(FFd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(FFd);
    FFd = -1;
    ThrowTableError(path, "is a directory");
  }
}

TPosixFile::~TPosixFile() {
  Close();
}

TPosixFile::TPosixFile(TPosixFile&& other) noexcept
    : FFd(other.FFd), FPath(std::move(other.FPath)) {
  other.FFd = -1;
}

TPosixFile& TPosixFile::operator=(TPosixFile&& other) noexcept {
  if (this != &other) {
    Close();
    FFd = other.FFd;
    FPath = std::move(other.FPath);
    other.FFd = -1;
  }
  return *this;
}

void TPosixFile::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

uint64_t TPosixFile::Size() const {
  struct stat st {};
  if (fstat(FFd, &st) != 0) ThrowTableError(FPath, "cannot read file size: " + ErrnoText(errno));
  return static_cast<uint64_t>(st.st_size);
}

size_t TPosixFile::ReadSome(uint64_t offset, void* buf, size_t len) const {
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < len) {
    ssize_t n = ::pread(FFd, p + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowTableError(FPath, "read error: " + ErrnoText(errno));
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TPosixFile::ReadAt(uint64_t offset, void* buf, size_t len) const {
  if (ReadSome(offset, buf, len) != len) {
    ThrowTableError(FPath, "file is truncated (needed " + std::to_string(len) +
                               " bytes at offset " + std::to_string(offset) + ")");
  }
}

void TPosixFile::WriteAt(uint64_t offset, const void* buf, size_t len) {
  size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < len) {
    ssize_t n = ::pwrite(FFd, p + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowTableError(FPath, "write error: " + ErrnoText(errno));
    }
    done += static_cast<size_t>(n);
  }
}

void TPosixFile::Truncate(uint64_t size) {
  if (::ftruncate(FFd, static_cast<off_t>(size)) != 0)
    ThrowTableError(FPath, "cannot set file size: " + ErrnoText(errno));
}

void TPosixFile::Sync() {
  // Written data must survive the process, not necessarily the machine; the page cache
  // already guarantees the former. A real sync per record would make appends disk-bound.
}

void TPosixFile::LockShared() {
  if (!SetLock(FFd, F_RDLCK, kOpenLockByte, false))
    ThrowTableError(FPath, "table is opened exclusively by another user or program");
}

void TPosixFile::LockExclusive() {
  if (!SetLock(FFd, F_WRLCK, kOpenLockByte, false))
    ThrowTableError(FPath, "table is in use and cannot be opened exclusively");
}

void TPosixFile::BeginWrite() {
  if (!SetLock(FFd, F_WRLCK, kWriteLockByte, true))
    ThrowTableError(FPath, "cannot lock table for writing: " + ErrnoText(errno));
}

void TPosixFile::EndWrite() {
  SetLock(FFd, F_UNLCK, kWriteLockByte, false);
}

}  // namespace lw
