// One download or copy into a local file, with its checks, and the control file's signature.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "LzExpand.h"
#include "NetUpdate.h"
#include "Sha256.h"
#include "TempFile.h"
#include "Transfer.h"
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
    OnStatus(message, 1, InternetErrorNumber(kind));
  else if (OnShowMessage)
    OnShowMessage(message, true);
}

bool TNetUpdate::PollCancel() {
  bool cancel = false;
  if (OnProgressCancel) OnProgressCancel(cancel);
  return cancel;
}

bool TNetUpdate::URLGetFile(const std::string& url, bool compressed, const std::string& target,
                            const std::string& sha256) {
  DoStatus(915, url);
  const std::string dir = LocalPath(target);
  const std::string localName = (dir.empty() || dir.back() == '/') ? dir + URLtoFile(url) : dir;
  const bool ok = UpdateType == fileUpdate ? CopyInto(LocalPath(url), localName, sha256)
                                           : Receive(url, localName, sha256);
  if (!ok) return false;
  CustomProcess(localName);
  if (compressed && Str_Pos(Str_Upper(localName), ".CAB") == 0) {
    // A failed expansion keeps the compressed file: it is the only copy of the update.
    std::string expanded;
    if (!LzExpandFile(localName, &expanded)) return false;
    ::unlink(localName.c_str());
  }
  return true;
}

bool TNetUpdate::FileGetFile(const std::string& source, const std::string& target) {
  return CopyInto(source, target, "");
}

bool TNetUpdate::CopyInto(const std::string& source, const std::string& target,
                          const std::string& sha256) {
  if (source == target) {
    DoStatus(912, source);
    return false;
  }
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    DoStatus(913, source);
    return false;
  }
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    DoStatus(914, source);
    return false;
  }
  TTempFile temp(DirectoryOf(target), "NUPD");
  bool ok = temp.IsOpen();
  std::string buf(kCopyBlock, '\0');
  int64_t done = 0;
  while (ok) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n == 0) break;
    if (n < 0 || ::write(temp.Fd(), buf.data(), static_cast<size_t>(n)) != n) {
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

bool TNetUpdate::Receive(const std::string& url, const std::string& localName,
                         const std::string& sha256) {
  TTransferRequest request = Request(url);
  request.OnProgress = [&](std::uint64_t received, std::uint64_t total) {
    if (OnFileProgress)
      OnFileProgress(localName, static_cast<int64_t>(received), static_cast<int64_t>(total));
    return !PollCancel();
  };
  // The body goes to a temporary file beside the local name; only a complete, checked file
  // replaces it, with one rename.
  TTempFile temp(DirectoryOf(localName), "NUPD");
  if (!temp.IsOpen() || !temp.Close()) return false;
  try {
    const TTransferResult got = FTransfer->GetFile(request, temp.Path());
    if (got.Bytes == 0) return false;
  } catch (const ETransferError& e) {
    if (e.Kind() == ETransferError::HttpStatus)
      DoStatus(916, std::to_string(e.Status()), 6, static_cast<int>(e.Status()));
    else if (e.Kind() != ETransferError::Incomplete && e.Kind() != ETransferError::Cancelled &&
             e.Kind() != ETransferError::LocalFile)
      DoStatus(917, url);
    return false;
  }
  if (!sha256.empty() && !FileMatchesSha256(temp.Path(), sha256)) return false;
  return temp.RenameTo(localName);
}

TTransferRequest TNetUpdate::Request(const std::string& url) {
  TTransferRequest request;
  request.Proxy = Proxy;
  request.NoCache = true;
  request.UserAgent = "NetUpdate";
  request.Pump = [this] {
    ProcessMessages();
    return true;
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

bool TNetUpdate::FetchSignature(const std::string& url, std::string& text) {
  const std::string sigUrl = url + ".minisig";
  if (UpdateType == fileUpdate) {
    std::ifstream in(LocalPath(sigUrl), std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  }
  const TTransferRequest request = Request(sigUrl);
  try {
    text = FTransfer->Get(request).Body;
    return true;
  } catch (const ETransferError&) {
    return false;
  }
}

}  // namespace lw
