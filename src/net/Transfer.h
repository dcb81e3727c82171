#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace lw {

// The one transfer client of the program: every download (news, update control file, update
// files) and the update POST go through it. HTTP, HTTPS and FTP only; other schemes, on the
// URL itself or on a redirect, are refused.
//
// Everything runs on the calling thread. While a transfer runs, the caller's pump is called at
// least every 20 ms (connect, name lookup, waits for the server and the transfer itself), so a
// window that passes a pump processing its pending events never stalls, and a Cancel button
// clicked in it is seen at the next pump call or block.
//
// Usage:
//   TTransferRequest request;
//   request.Url = "http://example.org/news/lwnews.inf";
//   request.Proxy = "proxyhost"; request.ProxyPort = 3128;
//   request.TimeoutMs = 4000;
//   request.Pump = [] { QCoreApplication::processEvents(); return true; };
//   TTransfer transfer;
//   TTransferResult got = transfer.Get(request);           // body in got.Body
//   transfer.GetFile(request, "/home/u/lwnews.inf");        // body into the file

// Called after each block of the body with the bytes received so far and the announced total
// (0 when the server announced none). Return false to cancel the transfer.
using TTransferProgress = std::function<bool(std::uint64_t received, std::uint64_t total)>;

// Called at least every 20 ms while a transfer runs. Return false to cancel the transfer.
using TTransferPump = std::function<bool()>;

struct TTransferRequest {
  // http://, https:// or ftp:// URL. Credentials in the URL ("http://user:pw@host/...") are
  // sent to the server (HTTP basic authentication, FTP login); messages never show them.
  std::string Url;

  // Proxy: empty means none (environment variables such as http_proxy are ignored too, so
  // a transfer goes exactly where the settings say). Either a host name or address, with
  // the port in ProxyPort, or a proxy URL "http://user:pw@host:port".
  std::string Proxy;
  // Port of the proxy. -1: the port written in Proxy, else 1080. 0 or any value outside
  // 1..65535 is refused: the transfer fails naming the port (a port typed as text that is
  // not a number must not silently reach some other port).
  int ProxyPort = -1;
  // Proxy credentials, when they are not written in the Proxy URL.
  std::string ProxyUser;
  std::string ProxyPassword;

  // The longest wait, in milliseconds, for the connection or for the next bytes from the
  // server. A transfer that keeps receiving is never cut by it. 0: no limit.
  int TimeoutMs = 30000;
  // Limit for the whole transfer, in milliseconds. 0: none.
  int TotalTimeoutMs = 0;
  // The most body bytes accepted: a larger announced length fails before the first byte is
  // kept, a body that grows past it fails at once (ETransferError::TooLarge). 0: no limit.
  std::uint64_t MaxBytes = 0;

  // FTP: passive mode (the default; active mode opens a port on this machine).
  bool FtpPassive = true;
  // FTP: when not empty, the transfer changes to this directory (relative to the login
  // directory, or absolute when it begins with '/') and fetches the URL's file name there;
  // the directory part of the URL's path is then ignored.
  std::string FtpDirectory;

  // When set, the request is an HTTP POST of this body with ContentType.
  std::optional<std::string> PostBody;
  std::string ContentType = "application/x-www-form-urlencoded";

  // An HTTP status outside 200..299 (after redirects) fails the transfer with
  // ETransferError::HttpStatus, and no body is kept. Set false to receive any status with
  // its body (the result then carries the status to examine).
  bool FailOnHttpError = true;
  // Redirects are followed (at most 10), to http and https only: a server must not be able
  // to send a download to another protocol.
  bool FollowRedirects = true;
  // Asks caches and proxies for a fresh copy from the server.
  bool NoCache = true;

  std::string UserAgent = "Ledgerwake";

  TTransferProgress OnProgress;  // optional
  TTransferPump Pump;            // optional; a command-line caller passes none
};

struct TTransferResult {
  long Status = 0;                  // final HTTP status; for FTP the last server reply code
  std::int64_t ContentLength = -1;  // announced length of the body (HTTP or FTP), -1: none
  std::uint64_t Bytes = 0;          // bytes of the body received (and written, for GetFile)
  std::string EffectiveUrl;         // the URL after redirects (credentials removed)
  std::string ContentType;          // HTTP Content-Type, "" when none
  std::string Body;                 // Get only: the body
};

// Every failure of a transfer. what() is "<url>: <reason>", the URL without credentials.
class ETransferError : public std::runtime_error {
 public:
  enum TKind {
    BadRequest,  // the request itself is unusable (scheme, URL, proxy port)
    Connect,     // name lookup or connection (server or proxy) failed
    Timeout,     // TimeoutMs without progress, or TotalTimeoutMs
    HttpStatus,  // FailOnHttpError and a status outside 200..299 (Status() has it)
    NotFound,    // FTP: the file or directory does not exist or cannot be opened
    Incomplete,  // dropped connection, or fewer bytes than the announced length
    Cancelled,   // the progress callback or the pump answered false
    LocalFile,   // the target or its temporary file could not be written or renamed
    TooLarge,    // the body is larger than MaxBytes
    Protocol,    // anything else the server or the transport did wrong
  };
  ETransferError(TKind kind, const std::string& message, long status = 0, std::string reason = "")
      : std::runtime_error(message), FKind(kind), FStatus(status), FReason(std::move(reason)) {}
  TKind Kind() const { return FKind; }
  long Status() const { return FStatus; }
  // A few words for a user ("connection refused", "host not found", "no answer for 4 s"),
  // without the URL.
  const std::string& Reason() const { return FReason; }

 private:
  TKind FKind;
  long FStatus;
  std::string FReason;
};

// One transfer client. It keeps its connection open between calls (the next transfer to the
// same server reuses it) until Disconnect or destruction. Not shared between threads; each
// call blocks until the transfer ends, running the request's pump meanwhile. A pump may start
// transfers of its own, on another TTransfer.
class TTransfer {
 public:
  TTransfer();
  ~TTransfer();
  TTransfer(const TTransfer&) = delete;
  TTransfer& operator=(const TTransfer&) = delete;

  // GET (or POST, with PostBody) into memory. Throws ETransferError.
  TTransferResult Get(const TTransferRequest& request);

  // GET (or POST) into the file Target. The body goes to a new temporary file in Target's
  // directory, which replaces Target with one rename only after the whole body arrived (as
  // many bytes as announced, connection ended cleanly) and was flushed. On any failure the
  // temporary file is removed and an existing Target stays as it was. A new Target gets the
  // usual permissions (0666 less the umask); a replaced one keeps its own. Throws
  // ETransferError.
  TTransferResult GetFile(const TTransferRequest& request, const std::string& target);

  // The size of the remote file without fetching it (FTP SIZE; HTTP HEAD's length), -1 when
  // the server does not tell. Throws ETransferError when the file cannot be reached.
  std::int64_t RemoteSize(const TTransferRequest& request);

  // Closes the connections kept for reuse.
  void Disconnect();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// The URL with any user name and password removed, for messages and logs.
std::string RedactUrl(const std::string& url);

}  // namespace lw
