#pragma once

#include <string>

namespace lw {

// Shell special folder ids understood by GetSpecialFolderLocation (the Windows CSIDL values).
enum TSpecialFolder {
  sfDesktop = 0x0000,
  sfPersonal = 0x0005,
  sfTemplates = 0x0015,
  sfAppData = 0x001a,
  sfLocalAppData = 0x001c,
  sfWindows = 0x0024,
  sfSystem = 0x0025,
  sfCommonAppData = 0x0023,
  sfProgramFiles = 0x0026,
};

// The host name that a reverse lookup of the dotted IPv4 address yields, "" when none.
std::string GetComputerNameA(const std::string& address);
// This machine's host name (gethostname), cut to its first 15 characters as a NetBIOS name
// would be; "" when the system refuses.
std::string GetComputerNameA();
// The effective user's login name (passwd entry, else $USER), cut to 15 characters; "" when
// unknown.
std::string GetUserNameA();
// The XDG/Unix directory nearest to the shell folder `folder` (home, ~/Desktop, the XDG
// config and data homes, /etc/xdg, /usr/bin, ...), without trailing '/'; "" for an id
// without a counterpart. `window` is accepted for the callers' sake and ignored.
std::string GetSpecialFolderLocation(void* window, int folder);

}  // namespace lw
