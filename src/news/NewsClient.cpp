#include "NewsClient.h"

#include <cctype>
#include <climits>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lw {

int ProxyPortNumber(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  size_t i = begin;
  const bool negative = i < end && text[i] == '-';
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == end) return 0;
  long long value = 0;
  for (; i < end; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) return 0;
  }
  return static_cast<int>(negative ? -value : value);
}

TNewsTree LoadNewsFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open the news file " + path);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("Cannot read the news file " + path);
  return ParseNews(bytes);
}

TNewsTree TNewsClient::Refresh(const TNewsSettings& settings, TTransferPump pump) {
  if (!settings.ProxyHost.empty()) {
    FProxyHost = settings.ProxyHost;
    FProxyPort = ProxyPortNumber(settings.ProxyPort);
  }
  TTransferRequest request;
  request.Url = settings.Url;
  request.TimeoutMs = kNewsTimeoutMs;
  request.Proxy = FProxyHost;
  if (!FProxyHost.empty()) request.ProxyPort = FProxyPort;
  request.Pump = std::move(pump);
  FTransfer.GetFile(request, settings.File);
  // The news is small and the window fetches it rarely: no connection kept open.
  FTransfer.Disconnect();
  return LoadNewsFile(settings.File);
}

std::optional<TNewsTree> RefreshQuietly(TNewsClient& client, const TNewsSettings& settings,
                                        TTransferPump pump) {
  try {
    return client.Refresh(settings, std::move(pump));
  } catch (const ETransferError& e) {
    if (e.Kind() != ETransferError::LocalFile) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  try {
    return LoadNewsFile(settings.File);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace lw
