#include "NewsClient.h"

#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "PartFile.h"

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

namespace {

const char kTooLarge[] = " is larger than 1 MiB";

// A few words for the window's status bar on why a refresh failed.
std::string FailureReason(const ETransferError& e) {
  switch (e.Kind()) {
    case ETransferError::Cancelled:
      return "";
    case ETransferError::TooLarge:
      return std::string("the news") + kTooLarge;
    case ETransferError::LocalFile:
      return "cannot store the news file";
    default:
      return e.Reason().empty() ? e.what() : e.Reason();
  }
}

}  // namespace

TNewsTree LoadNewsFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code error;
  if (!in) throw std::runtime_error("Cannot open the news file " + path);
  if (!std::filesystem::is_regular_file(path, error))
    throw std::runtime_error("Cannot read the news file " + path);
  if (std::filesystem::file_size(path, error) > kNewsMaxBytes)
    throw std::runtime_error("The news file " + path + kTooLarge);
  // One byte more than allowed: a file that grew since its size was asked is refused too.
  std::string bytes(kNewsMaxBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) throw std::runtime_error("Cannot read the news file " + path);
  bytes.resize(static_cast<size_t>(in.gcount()));
  if (bytes.size() > kNewsMaxBytes) throw std::runtime_error("The news file " + path + kTooLarge);
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
  request.TotalTimeoutMs = kNewsTotalTimeoutMs;
  request.MaxBytes = kNewsMaxBytes;
  request.Proxy = FProxyHost;
  if (!FProxyHost.empty()) request.ProxyPort = FProxyPort;
  request.Pump = pump;
  const std::string body = FTransfer.Get(request).Body;
  // The news is small and the window fetches it rarely: no connection kept open.
  FTransfer.Disconnect();
  TPartFile file(settings.File);
  file.Write(body.data(), body.size());
  file.Commit(pump);
  // What was fetched is what is shown: the stored copy is not read back.
  return ParseNews(body);
}

std::optional<TNewsTree> RefreshQuietly(TNewsClient& client, const TNewsSettings& settings,
                                        TTransferPump pump, std::string* failure) {
  std::string reason;
  std::optional<TNewsTree> tree;
  try {
    tree = client.Refresh(settings, std::move(pump));
  } catch (const ETransferError& e) {
    reason = FailureReason(e);
    if (e.Kind() == ETransferError::LocalFile) {
      try {
        tree = LoadNewsFile(settings.File);
      } catch (const std::exception&) {
      }
    }
  } catch (const std::exception& e) {
    reason = e.what();
  }
  if (failure) *failure = reason;
  return tree;
}

}  // namespace lw
