#include "PartFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "Transfer.h"

namespace lw {

namespace {

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TPartFile::TPartFile(const std::string& target) : FTarget(target) {
  if (target.empty() || target.back() == '/')
    throw ETransferError(ETransferError::LocalFile, "No file name given for the download");
  // Our own random name opened with O_EXCL rather than mkstemp: the file then gets the
  // umask's permissions like any new file, with no process-wide umask juggling.
  std::random_device seed;
  std::mt19937 random(seed());
  const std::string stem = DirectoryOf(target) + "/." + NameOf(target) + ".part-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    FPath = stem + std::to_string(random() % 1000000000u);
    FFd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (FFd >= 0) break;
    if (errno != EEXIST) Fail("Cannot create a file beside", errno);
  }
  if (FFd < 0) Fail("Cannot create a file beside", EEXIST);
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) ::fchmod(FFd, st.st_mode & 07777);
}

TPartFile::~TPartFile() {
  if (FFd >= 0) ::close(FFd);
  if (!FPath.empty()) ::unlink(FPath.c_str());
}

void TPartFile::Fail(const std::string& what, int error) {
  const std::string path = FPath;
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  if (!path.empty()) ::unlink(path.c_str());
  FPath.clear();
  throw ETransferError(ETransferError::LocalFile,
                       what + " " + FTarget + ": " + std::strerror(error));
}

void TPartFile::Write(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(FFd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write", errno);
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
}

void TPartFile::Commit() {
  // The data must be on the disk before the name points at it, or a power cut right after the
  // rename could leave an empty file where the old good one was.
  if (::fdatasync(FFd) != 0) Fail("Cannot write", errno);
  if (::close(FFd) != 0) {
    FFd = -1;
    Fail("Cannot write", errno);
  }
  FFd = -1;
  if (::rename(FPath.c_str(), FTarget.c_str()) != 0) Fail("Cannot replace", errno);
  FPath.clear();
}

}  // namespace lw
