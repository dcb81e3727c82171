#include "Transfer.h"

#include <curl/curl.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <mutex>

#include "PartFile.h"
#include "TransferUrl.h"

namespace lw {

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kPumpIntervalMs = 20;
// Between two pump calls while data flows: often enough for the window, rare enough that a
// fast transfer is not slowed by event processing.
constexpr int kBusyPumpIntervalMs = 5;
constexpr long kBufferSize = 100 * 1024;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long MsSince(TClock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - since).count());
}

bool IsHttpScheme(const std::string& scheme) {
  return scheme == "http" || scheme == "https";
}

// What one running transfer keeps for its callbacks.
struct TRun {
  const TTransferRequest* Request = nullptr;
  CURL* Easy = nullptr;
  std::function<void(const char*, size_t)> Sink;
  TClock::time_point LastActivity = TClock::now();
  TClock::time_point LastPump = TClock::now();
  bool PumpCancelled = false;
  std::uint64_t Bytes = 0;
  std::uint64_t Total = 0;
  bool StatusChecked = false;
  long BadStatus = 0;  // a refused HTTP status, seen before the first body byte
  bool Cancelled = false;
  bool TooLarge = false;
  std::exception_ptr Failure;  // thrown by the sink, rethrown after the transfer is torn down
};

std::string LowerScheme(CURL* easy) {
  char* scheme = nullptr;
  curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme);
  std::string out = scheme ? scheme : "";
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The refused status of a finished or running HTTP response, 0 when it is acceptable.
long RefusedStatus(TRun& run) {
  if (!run.Request->FailOnHttpError || !IsHttpScheme(LowerScheme(run.Easy))) return 0;
  long status = 0;
  curl_easy_getinfo(run.Easy, CURLINFO_RESPONSE_CODE, &status);
  return status >= 200 && status <= 299 ? 0 : status;
}

// Runs the caller's pump when its interval is due. One call of curl_multi_perform can move
// megabytes on a fast link, so the write callback pumps too, not only the wait loop.
bool PumpIfDue(TRun& run, long intervalMs) {
  if (!run.Request->Pump || MsSince(run.LastPump) < intervalMs) return true;
  const bool goOn = run.Request->Pump();
  run.LastPump = TClock::now();
  if (!goOn) run.PumpCancelled = true;
  return goOn;
}

size_t WriteBlock(char* data, size_t size, size_t count, void* user) {
  auto& run = *static_cast<TRun*>(user);
  const size_t bytes = size * count;
  run.LastActivity = TClock::now();
  if (!run.StatusChecked) {
    run.StatusChecked = true;
    run.BadStatus = RefusedStatus(run);
    if (run.BadStatus != 0) return 0;  // do not even receive an error page
    curl_off_t length = -1;
    curl_easy_getinfo(run.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    run.Total = length > 0 ? static_cast<std::uint64_t>(length) : 0;
  }
  const std::uint64_t limit = run.Request->MaxBytes;
  if (limit > 0 && (run.Total > limit || run.Bytes + bytes > limit)) {
    run.TooLarge = true;
    return 0;
  }
  try {
    if (run.Sink) run.Sink(data, bytes);
    run.Bytes += bytes;
    if (run.Request->OnProgress && !run.Request->OnProgress(run.Bytes, run.Total)) {
      run.Cancelled = true;
      return 0;
    }
    if (!PumpIfDue(run, kPumpIntervalMs / 2)) return 0;
  } catch (...) {
    run.Failure = std::current_exception();
    return 0;
  }
  return bytes;
}

size_t HeaderLine(char*, size_t size, size_t count, void* user) {
  static_cast<TRun*>(user)->LastActivity = TClock::now();
  return size * count;
}

// Seconds for a user: "4 s", "0.5 s".
std::string Seconds(long ms) {
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
  return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

// The few words a user needs after a failed transfer.
std::string ShortReason(CURLcode code, long osErrno, const char* scheme) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return "host not found";
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "proxy not found";
    case CURLE_COULDNT_CONNECT:
      if (osErrno == ECONNREFUSED) return "connection refused";
      if (osErrno == ENETUNREACH || osErrno == EHOSTUNREACH) return "host unreachable";
      return "cannot connect";
    case CURLE_UNSUPPORTED_PROTOCOL:
      return scheme && *scheme ? std::string("redirect to ") + scheme + " refused"
                               : "unsupported protocol";
    case CURLE_TOO_MANY_REDIRECTS:
      return "too many redirects";
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
      return "secure connection failed";
    case CURLE_LOGIN_DENIED:
      return "login refused";
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
      return "no such file";
    case CURLE_REMOTE_ACCESS_DENIED:
      return "access denied";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
      return "connection dropped";
    case CURLE_WRITE_ERROR:
      return "cannot write the file";
    default:
      return curl_easy_strerror(code);
  }
}

ETransferError::TKind KindOf(CURLcode code) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_LOGIN_DENIED:
      return ETransferError::BadRequest;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
      return ETransferError::Connect;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
      return ETransferError::Timeout;
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE:
      return ETransferError::NotFound;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_HTTP2_STREAM:
      return ETransferError::Incomplete;
    case CURLE_ABORTED_BY_CALLBACK:
      return ETransferError::Cancelled;
    case CURLE_WRITE_ERROR:
      return ETransferError::LocalFile;
    default:
      return ETransferError::Protocol;
  }
}

// Frees the easy handle's list of extra headers when the transfer ends, however it ends.
struct THeaderList {
  curl_slist* List = nullptr;
  ~THeaderList() { curl_slist_free_all(List); }
  void Add(const std::string& line) { List = curl_slist_append(List, line.c_str()); }
};

}  // namespace

struct TTransfer::TImpl {
  CURLM* Multi = nullptr;
  CURL* Easy = nullptr;
  bool Busy = false;

  TImpl() {
    GlobalInit();
    Multi = curl_multi_init();
    Easy = curl_easy_init();
    if (!Multi || !Easy) throw ETransferError(ETransferError::Protocol, "Cannot start libcurl");
  }
  ~TImpl() {
    if (Easy) curl_easy_cleanup(Easy);
    if (Multi) curl_multi_cleanup(Multi);
  }

  TTransferResult Run(const TTransferRequest& request, bool noBody,
                      std::function<void(const char*, size_t)> sink);
};

TTransferResult TTransfer::TImpl::Run(const TTransferRequest& request, bool noBody,
                                      std::function<void(const char*, size_t)> sink) {
  const std::string shownUrl = RedactUrl(request.Url);
  auto fail = [&](ETransferError::TKind kind, const std::string& reason, long status = 0,
                  const std::string& shortReason = "") {
    return ETransferError(kind, shownUrl + ": " + reason, status,
                          shortReason.empty() ? reason : shortReason);
  };
  if (Busy) throw fail(ETransferError::BadRequest, "another transfer is running on this client");

  const std::string scheme = UrlScheme(request.Url);
  if (scheme != "http" && scheme != "https" && scheme != "ftp")
    throw fail(ETransferError::BadRequest,
               scheme.empty() ? "not an absolute URL" : "unsupported scheme \"" + scheme + "\"");
  if (!request.Proxy.empty() && request.ProxyPort != -1 &&
      (request.ProxyPort < 1 || request.ProxyPort > 65535))
    throw fail(ETransferError::BadRequest,
               "invalid proxy port " + std::to_string(request.ProxyPort));
  const std::string url = scheme == "ftp" && !request.FtpDirectory.empty()
                              ? FtpUrlInDirectory(request.Url, request.FtpDirectory)
                              : request.Url;

  TRun run;
  run.Request = &request;
  run.Easy = Easy;
  run.Sink = std::move(sink);
  char errorText[CURL_ERROR_SIZE] = {};
  THeaderList headers;

  CURL* e = Easy;
  curl_easy_reset(e);
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, request.FollowRedirects ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(e, CURLOPT_USERAGENT, request.UserAgent.c_str());
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kBufferSize);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteBlock);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &run);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, HeaderLine);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &run);
  if (request.TimeoutMs > 0)
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.TimeoutMs));
  if (request.TotalTimeoutMs > 0)
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(request.TotalTimeoutMs));
  // An empty proxy text also switches off the proxy environment variables.
  curl_easy_setopt(e, CURLOPT_PROXY, request.Proxy.c_str());
  if (!request.Proxy.empty()) {
    if (request.ProxyPort != -1)
      curl_easy_setopt(e, CURLOPT_PROXYPORT, static_cast<long>(request.ProxyPort));
    if (!request.ProxyUser.empty()) {
      curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, request.ProxyUser.c_str());
      curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, request.ProxyPassword.c_str());
    }
  }
  if (scheme == "ftp") {
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (!request.FtpPassive) curl_easy_setopt(e, CURLOPT_FTPPORT, "-");
  }
  if (request.NoCache) {
    headers.Add("Cache-Control: no-cache");
    headers.Add("Pragma: no-cache");
  }
  if (request.PostBody) {
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.PostBody->size()));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, request.PostBody->data());
    headers.Add("Content-Type: " + request.ContentType);
  }
  if (headers.List) curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.List);
  if (noBody) curl_easy_setopt(e, CURLOPT_NOBODY, 1L);

  if (curl_multi_add_handle(Multi, e) != CURLM_OK)
    throw fail(ETransferError::Protocol, "cannot start the transfer");
  Busy = true;
  // Whatever ends the loop (a result, a timeout, an exception from the pump), the handle
  // leaves the multi stack and the client can run the next transfer.
  struct TDetach {
    TImpl* Impl;
    ~TDetach() {
      curl_multi_remove_handle(Impl->Multi, Impl->Easy);
      Impl->Busy = false;
    }
  } detach{this};

  const TClock::time_point started = TClock::now();
  CURLcode code = CURLE_OK;
  bool done = false;
  bool timedOut = false;
  while (!done) {
    int running = 0;
    const CURLMcode mc = curl_multi_perform(Multi, &running);
    if (mc != CURLM_OK) throw fail(ETransferError::Protocol, curl_multi_strerror(mc));
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(Multi, &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) {
        code = msg->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    if (request.TimeoutMs > 0 && MsSince(run.LastActivity) > request.TimeoutMs) {
      timedOut = true;
      break;
    }
    if (!PumpIfDue(run, kBusyPumpIntervalMs)) break;
    int waitMs = kPumpIntervalMs;
    if (request.Pump) waitMs = std::max(0L, kPumpIntervalMs - MsSince(run.LastPump));
    curl_multi_poll(Multi, nullptr, 0, waitMs, nullptr);
  }

  if (run.Failure) std::rethrow_exception(run.Failure);
  if (run.PumpCancelled || run.Cancelled) throw fail(ETransferError::Cancelled, "cancelled");
  if (run.TooLarge)
    throw fail(ETransferError::TooLarge,
               "larger than the limit of " + std::to_string(request.MaxBytes) + " bytes", 0,
               "larger than " + std::to_string(request.MaxBytes) + " bytes");
  if (timedOut)
    throw fail(ETransferError::Timeout,
               "no answer within " + std::to_string(request.TimeoutMs) + " ms", 0,
               "no answer for " + Seconds(request.TimeoutMs));
  if (!done) throw fail(ETransferError::Incomplete, "the transfer ended without a result");

  TTransferResult result;
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &result.Status);
  if (run.BadStatus != 0 || (code == CURLE_OK && (run.BadStatus = RefusedStatus(run)) != 0))
    throw fail(ETransferError::HttpStatus, "HTTP status " + std::to_string(run.BadStatus),
               run.BadStatus);
  if (code != CURLE_OK) {
    std::string reason = errorText[0] ? errorText : curl_easy_strerror(code);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    long osErrno = 0;
    curl_easy_getinfo(e, CURLINFO_OS_ERRNO, &osErrno);
    std::string shortReason = ShortReason(code, osErrno, nullptr);
    if (code == CURLE_OPERATION_TIMEDOUT) {
      // libcurl's clock and ours can differ by a millisecond (14999 ms here for its 15 s): the
      // limit nearer to the time taken is the one that fired.
      const long taken = MsSince(started);
      const bool whole = request.TotalTimeoutMs > 0 &&
                         (request.TimeoutMs <= 0 || std::labs(taken - request.TotalTimeoutMs) <
                                                        std::labs(taken - request.TimeoutMs));
      shortReason = whole ? "took longer than " + Seconds(request.TotalTimeoutMs)
                          : "no answer for " + Seconds(request.TimeoutMs);
    }
    if (code == CURLE_UNSUPPORTED_PROTOCOL) {
      // The request's own scheme was checked above, so the refused one came with a redirect.
      // Following it, libcurl has already made the target its effective URL; REDIRECT_URL
      // only holds it when redirects are not followed.
      char* next = nullptr;
      curl_easy_getinfo(e, request.FollowRedirects ? CURLINFO_EFFECTIVE_URL : CURLINFO_REDIRECT_URL,
                        &next);
      const std::string nextScheme = next ? UrlScheme(next) : "";
      if (!nextScheme.empty()) {
        reason = "redirect to the " + nextScheme + " scheme refused";
        shortReason = ShortReason(code, 0, nextScheme.c_str());
      }
    }
    throw fail(KindOf(code), reason, result.Status, shortReason);
  }
  curl_off_t length = -1;
  curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  result.ContentLength = length;
  result.Bytes = run.Bytes;
  // libcurl already fails a body cut short of its Content-Length; this also covers any
  // transport that would not.
  if (!noBody && length >= 0 && run.Bytes != static_cast<std::uint64_t>(length))
    throw fail(ETransferError::Incomplete, "received " + std::to_string(run.Bytes) + " of " +
                                               std::to_string(length) + " bytes");
  char* effective = nullptr;
  curl_easy_getinfo(e, CURLINFO_EFFECTIVE_URL, &effective);
  result.EffectiveUrl = RedactUrl(effective ? effective : request.Url);
  char* type = nullptr;
  curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type);
  result.ContentType = type ? type : "";
  return result;
}

TTransfer::TTransfer() : FImpl(std::make_unique<TImpl>()) {}
TTransfer::~TTransfer() = default;

TTransferResult TTransfer::Get(const TTransferRequest& request) {
  std::string body;
  TTransferResult result = FImpl->Run(
      request, false, [&body](const char* data, size_t size) { body.append(data, size); });
  result.Body = std::move(body);
  return result;
}

TTransferResult TTransfer::GetFile(const TTransferRequest& request, const std::string& target) {
  TPartFile part(target);
  TTransferResult result = FImpl->Run(
      request, false, [&part](const char* data, size_t size) { part.Write(data, size); });
  part.Commit(request.Pump);
  return result;
}

std::int64_t TTransfer::RemoteSize(const TTransferRequest& request) {
  return FImpl->Run(request, true, nullptr).ContentLength;
}

void TTransfer::Disconnect() {
  if (FImpl->Busy) return;  // called from a pump: the running transfer keeps its connection
  // A fresh multi handle drops the connection cache; the easy handle is reset per transfer.
  curl_multi_cleanup(FImpl->Multi);
  FImpl->Multi = curl_multi_init();
}

}  // namespace lw
