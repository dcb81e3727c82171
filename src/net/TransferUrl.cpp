#include "TransferUrl.h"

#include <algorithm>
#include <cctype>

#include "Transfer.h"

namespace lw {

namespace {

// Where the authority (user:pw@host:port) of an absolute URL starts and ends.
bool FindAuthority(const std::string& url, size_t& begin, size_t& end) {
  const auto sep = url.find("://");
  if (sep == std::string::npos) return false;
  begin = sep + 3;
  end = url.find_first_of("/?#", begin);
  if (end == std::string::npos) end = url.size();
  return true;
}

std::string PercentEncode(const std::string& segment) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : segment) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace

std::string UrlScheme(const std::string& url) {
  const auto sep = url.find("://");
  if (sep == std::string::npos || sep == 0) return "";
  std::string scheme;
  for (size_t i = 0; i < sep; ++i) {
    const unsigned char c = static_cast<unsigned char>(url[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return "";
    scheme += static_cast<char>(std::tolower(c));
  }
  return scheme;
}

std::string RedactUrl(const std::string& url) {
  size_t begin = 0, end = 0;
  if (!FindAuthority(url, begin, end)) return url;
  const auto at = url.rfind('@', end == 0 ? 0 : end - 1);
  if (at == std::string::npos || at < begin) return url;
  return url.substr(0, begin) + url.substr(at + 1);
}

std::string RedactUrlsIn(const std::string& text) {
  std::string out;
  size_t pos = 0;
  for (size_t sep = text.find("://"); sep != std::string::npos; sep = text.find("://", pos)) {
    const size_t begin = sep + 3;
    const size_t end = std::min(text.find_first_of("/?# \t\r\n\"'<>", begin), text.size());
    const size_t at = text.rfind('@', end == begin ? begin : end - 1);
    out.append(text, pos, begin - pos);
    pos = at != std::string::npos && at >= begin && at < end ? at + 1 : begin;
  }
  return out + text.substr(pos);
}

std::string FtpUrlInDirectory(const std::string& url, const std::string& directory) {
  size_t begin = 0, end = 0;
  if (!FindAuthority(url, begin, end)) return url;
  std::string path = url.substr(end);
  const auto query = path.find_first_of("?#");
  if (query != std::string::npos) path.resize(query);
  const std::string file =
      path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);

  std::string dir = directory;
  for (char& c : dir)
    if (c == '\\') c = '/';
  std::string out = url.substr(0, end) + "/";
  if (!dir.empty() && dir.front() == '/') out += "%2F";
  size_t pos = 0;
  while (pos <= dir.size()) {
    auto next = dir.find('/', pos);
    if (next == std::string::npos) next = dir.size();
    const std::string segment = dir.substr(pos, next - pos);
    if (!segment.empty()) out += PercentEncode(segment) + "/";
    pos = next + 1;
  }
  return out + file;
}

}  // namespace lw
