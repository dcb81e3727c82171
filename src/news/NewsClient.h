#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "NewsTree.h"
#include "Transfer.h"

namespace lw {

// The settings a refresh reads, as the settings store holds them.
struct TNewsSettings {
  std::string Url;        // news_url
  std::string File;       // the news file's path (TSharedData::NewsFilePath)
  std::string ProxyHost;  // app_proxyhost
  std::string ProxyPort;  // app_proxyport, as typed
};

// The refresh time-out: the longest wait for the connection or the next bytes.
inline constexpr int kNewsTimeoutMs = 4000;
// The whole fetch, however slowly a server trickles its bytes.
inline constexpr int kNewsTotalTimeoutMs = 15000;
// The largest news file fetched or read; a larger one is refused while it arrives.
inline constexpr std::uint64_t kNewsMaxBytes = 1 << 20;

// A port typed as text: decimal digits (blanks around them allowed), anything else gives 0.
int ProxyPortNumber(const std::string& text);

// The load procedure: reads and parses the news file. Throws std::runtime_error when the file
// cannot be read or is larger than kNewsMaxBytes (checked before it is read); an invalid
// level is reported in the tree's Error, not thrown.
TNewsTree LoadNewsFile(const std::string& path);

// The news fetch of one news window. It keeps the proxy it was last given: a refresh with an
// empty proxy host keeps using the earlier proxy (a new client starts with none).
class TNewsClient {
 public:
  // The refresh procedure: takes the proxy, fetches Url (at most kNewsMaxBytes, within
  // kNewsTotalTimeoutMs), stores the body as File (a temporary file beside it renamed over it
  // once the whole body arrived with a 2xx status) and parses the body it fetched. Throws
  // ETransferError; File is untouched unless the fetch and the store succeeded.
  TNewsTree Refresh(const TNewsSettings& settings, TTransferPump pump = {});

  const std::string& ProxyHost() const { return FProxyHost; }
  int ProxyPort() const { return FProxyPort; }

 private:
  TTransfer FTransfer;
  std::string FProxyHost;
  int FProxyPort = 0;
};

// The news window's refresh, without exceptions. Returns the tree to show, or nothing when
// the tree stays as it is. When only storing the file failed (the directory is not
// writable), the previous file, if any, is shown again. `failure`, when given, receives a
// few words on why the refresh failed ("connection refused"), or "" after a good fetch and
// after a cancelled one.
std::optional<TNewsTree> RefreshQuietly(TNewsClient& client, const TNewsSettings& settings,
                                        TTransferPump pump = {}, std::string* failure = nullptr);

}  // namespace lw
