#include "SysUtil.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace lw {

namespace {

constexpr size_t kMaxNameLength = 15;

std::string Cut(std::string s) {
  if (s.size() > kMaxNameLength) s.resize(kMaxNameLength);
  return s;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string Home() {
  const char* h = std::getenv("HOME");
  if (h && *h) return h;
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) return pw->pw_dir;
  return {};
}

}  // namespace

std::string GetComputerNameA(const std::string& address) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) return {};
  char host[NI_MAXHOST];
  if (::getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0)
    return {};
  return host;
}

std::string GetComputerNameA() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return Cut(buf);
}

std::string GetUserNameA() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return Cut(pw->pw_name);
  return Cut(EnvOr("USER", ""));
}

std::string GetSpecialFolderLocation(void* window, int folder) {
  (void)window;
  const std::string home = Home();
  switch (folder) {
    case sfDesktop:
      return home.empty() ? std::string() : home + "/Desktop";
    case sfPersonal:
      return home;
    case sfTemplates:
      return home.empty() ? std::string() : home + "/Templates";
    case sfAppData:
      return EnvOr("XDG_CONFIG_HOME", home.empty() ? std::string() : home + "/.config");
    case sfLocalAppData:
      return EnvOr("XDG_DATA_HOME", home.empty() ? std::string() : home + "/.local/share");
    case sfCommonAppData:
      return "/etc/xdg";
    case sfWindows:
      return "/etc";
    case sfSystem:
      return "/usr/bin";
    case sfProgramFiles:
      return "/opt";
    default:
      return {};
  }
}

}  // namespace lw
