// One download or copy into a local file, with its checks and limits, and the texts a run
// fetches into memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "CabExtract.h"
#include "LzExpand.h"
#include "NetUpdate.h"
#include "Sha256.h"
#include "TempFile.h"
#include "Transfer.h"
#include "TransferUrl.h"
#include "UpdateStatus.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"

namespace lw {

namespace {

// The Windows Internet error numbers the owner may know, for the kinds of transfer failure.
int InternetErrorNumber(int kind) {
  switch (kind) {
    case ETransferError::Timeout:
      return 12002;
    case ETransferError::BadRequest:
      return 12005;
    case ETransferError::Connect:
      return 12029;
    case ETransferError::NotFound:
      return 12003;
    default:
      return 12152;
  }
}

constexpr size_t kCopyBlock = 16384;

}  // namespace

std::string TNetUpdate::TempDirectory() {
  return IncludeTrailingSlash(DefaultPrefixDirectory("TMP"));
}

void TNetUpdate::ReportTransferError(int kind, const std::string& message) {
  if (OnStatus)
    OnStatus(RedactUrlsIn(message), 1, InternetErrorNumber(kind));
  else if (OnShowMessage)
    OnShowMessage(RedactUrlsIn(message), true);
}

bool TNetUpdate::PollCancel() {
  bool cancel = false;
  if (OnProgressCancel) OnProgressCancel(cancel);
  return cancel || FCancelled;
}

bool TNetUpdate::URLGetFile(const std::string& url, bool compressed, const std::string& target,
                            const std::string& sha256, int64_t maxBytes) {
  DoStatus(usDownload, url);
  const std::string dir = LocalPath(target);
  const std::string localName = (dir.empty() || dir.back() == '/') ? dir + URLtoFile(url) : dir;
  const bool ok = UpdateType == fileUpdate ? CopyInto(LocalPath(url), localName, sha256, maxBytes)
                                           : Receive(url, localName, sha256, maxBytes);
  if (!ok) return false;
  CustomProcess(localName);
  if (compressed && !Str_SameText(ExtractFileExt(localName), ".CAB")) {
    // A failed expansion keeps the compressed file: it is the only copy of the update.
    if (!Fits(localName, LzExpandedLength(localName), DirectoryOf(localName))) return false;
    std::string expanded;
    if (!LzExpandFile(localName, &expanded)) return false;
    ::unlink(localName.c_str());
  }
  return true;
}

bool TNetUpdate::Fits(const std::string& what, int64_t declared, const std::string& dir) {
  const int64_t free = FreeBytes(dir);
  if (declared < 0 || free < 0 || declared <= free) return true;
  DoStatus(usTooLarge, what + " (unpacks to " + std::to_string(declared) + " bytes, " +
                           std::to_string(free) + " free)");
  return false;
}

bool TNetUpdate::FileGetFile(const std::string& source, const std::string& target) {
  return CopyInto(source, target, "");
}

bool TNetUpdate::CopyInto(const std::string& source, const std::string& target,
                          const std::string& sha256, int64_t maxBytes) {
  if (source == target) {
    DoStatus(usSameSourceAndTarget, source);
    return false;
  }
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    DoStatus(usCopySourceMissing, source);
    return false;
  }
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    DoStatus(usZeroLengthSource, source);
    return false;
  }
  const int64_t free = FreeBytes(DirectoryOf(target));
  if ((maxBytes > 0 && st.st_size > maxBytes) || (free >= 0 && st.st_size > free)) {
    ::close(in);
    DoStatus(usTooLarge, source + " (" + std::to_string(st.st_size) + " bytes)");
    return false;
  }
  TTempFile temp(DirectoryOf(target), "NUPD");
  bool ok = temp.IsOpen();
  std::string buf(kCopyBlock, '\0');
  int64_t done = 0;
  while (ok) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n == 0) break;
    // A file that grows while it is copied stops at the size it had.
    if (n < 0 || done + n > st.st_size ||
        ::write(temp.Fd(), buf.data(), static_cast<size_t>(n)) != n) {
      ok = false;
      break;
    }
    done += n;
    if (OnFileProgress) OnFileProgress(source, done, st.st_size);
    if (PollCancel()) ok = false;
    ProcessMessages();
  }
  ::close(in);
  if (ok && !sha256.empty()) ok = temp.Close() && FileMatchesSha256(temp.Path(), sha256);
  return ok && temp.RenameTo(target);
}

void TNetUpdate::ReportDownloadFailure(const ETransferError& e, const std::string& url) {
  switch (e.Kind()) {
    case ETransferError::HttpStatus:
      DoStatus(usHttpStatus, std::to_string(e.Status()), 6, static_cast<int>(e.Status()));
      break;
    case ETransferError::TooLarge:
      DoStatus(usTooLarge, url + " (" + e.Reason() + ")");
      break;
    case ETransferError::Incomplete:
    case ETransferError::Cancelled:
    case ETransferError::LocalFile:
      break;
    default:
      DoStatus(usUrlNotFound, url + " (" + e.Reason() + ")");
  }
}

bool TNetUpdate::Receive(const std::string& url, const std::string& localName,
                         const std::string& sha256, int64_t maxBytes) {
  TTransferRequest request = Request(url);
  request.OnProgress = [&](std::uint64_t received, std::uint64_t total) {
    if (OnFileProgress)
      OnFileProgress(localName, static_cast<int64_t>(received), static_cast<int64_t>(total));
    return !PollCancel();
  };
  // No more than was announced for the entry, and no more than the disk holds: an endless
  // body must not fill the user's file system.
  const int64_t free = FreeBytes(DirectoryOf(localName));
  int64_t limit = maxBytes;
  if (free >= 0 && (limit <= 0 || free < limit)) limit = std::max<int64_t>(free, 1);
  request.MaxBytes = limit > 0 ? static_cast<std::uint64_t>(limit) : 0;
  // The body goes to a temporary file beside the local name; only a complete, checked file
  // replaces it, with one rename.
  TTempFile temp(DirectoryOf(localName), "NUPD");
  if (!temp.IsOpen() || !temp.Close()) return false;
  try {
    const TTransferResult got = FTransfer->GetFile(request, temp.Path());
    if (got.Bytes == 0) return false;
  } catch (const ETransferError& e) {
    ReportDownloadFailure(e, url);
    return false;
  }
  if (!sha256.empty() && !FileMatchesSha256(temp.Path(), sha256)) return false;
  return temp.RenameTo(localName);
}

std::optional<std::string> TNetUpdate::FetchText(const std::string& url, int64_t limit, bool report,
                                                 std::string* effectiveUrl) {
  if (report) DoStatus(usDownload, url);
  if (UpdateType == fileUpdate) {
    const std::string path = LocalPath(url);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      if (fd >= 0) ::close(fd);
      if (report) DoStatus(usCopySourceMissing, path);
      return std::nullopt;
    }
    std::string text;
    char buf[kCopyBlock];
    ssize_t n = 0;
    while (static_cast<int64_t>(text.size()) <= limit && (n = ::read(fd, buf, sizeof buf)) > 0)
      text.append(buf, static_cast<size_t>(n));
    ::close(fd);
    if (static_cast<int64_t>(text.size()) > limit) {
      if (report) DoStatus(usTooLarge, path + " (larger than " + std::to_string(limit) + " bytes)");
      return std::nullopt;
    }
    if (n < 0) return std::nullopt;
    if (effectiveUrl) *effectiveUrl = url;
    return text;
  }
  TTransferRequest request = Request(url);
  request.MaxBytes = static_cast<std::uint64_t>(limit);
  try {
    TTransferResult got = FTransfer->Get(request);
    if (effectiveUrl) *effectiveUrl = got.EffectiveUrl;
    return std::move(got.Body);
  } catch (const ETransferError& e) {
    if (report) ReportDownloadFailure(e, url);
    return std::nullopt;
  }
}

TTransferRequest TNetUpdate::Request(const std::string& url) {
  TTransferRequest request;
  request.Proxy = Proxy;
  request.NoCache = true;
  request.UserAgent = "NetUpdate";
  // The owner's cancel is asked between blocks and while the server is silent, so a Cancel
  // (or a Quit) during a stalled transfer ends it at once, not when the server answers.
  request.Pump = [this] {
    ProcessMessages();
    return !PollCancel();
  };
  if (UpdateType == ftpUpdate) {
    const std::string login =
        UserID.empty() || Password.empty() ? std::string() : UserID + ":" + Password + "@";
    request.Url = "ftp://" + login + Host + ":" + std::to_string(Port) + "/" + URLtoFile(url);
    request.FtpPassive = FTPPassive;
    request.FtpDirectory = LocalPath(ExpandPath(FTPDirectory));
  } else {
    request.Url = MakeProxyUrl(url, ProxyUserID, ProxyPassword);
  }
  return request;
}

}  // namespace lw
