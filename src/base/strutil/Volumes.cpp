#include "Volumes.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace lw {

namespace fs = std::filesystem;

namespace {

// /proc/self/mounts writes blanks and backslashes as "\ooo" octal escapes.
std::string UnescapeMount(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// udev names the links in /dev/disk/by-label with "\xHH" escapes for unsafe bytes.
std::string UnescapeUdev(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && HexDigit(s[i + 2]) >= 0 &&
        HexDigit(s[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::canonical(path, ec);
  return ec ? path : p.string();
}

// Device path -> volume label.
std::map<std::string, std::string> LabelsByDevice() {
  std::map<std::string, std::string> labels;
  std::error_code ec;
  for (fs::directory_iterator it("/dev/disk/by-label", ec), end; !ec && it != end;
       it.increment(ec)) {
    labels[Canonical(it->path().string())] = UnescapeUdev(it->path().filename().string());
  }
  return labels;
}

bool IsRemovable(const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return false;
  const std::string name = fs::path(device).filename().string();
  const std::string sys = Canonical("/sys/class/block/" + name);
  for (const std::string& dir : {sys, fs::path(sys).parent_path().string()}) {
    std::ifstream f(dir + "/removable");
    int value = 0;
    if (f >> value) return value != 0;
  }
  return false;
}

}  // namespace

std::vector<TVolumeInfo> TSystemVolumeSource::Volumes() {
  std::vector<TVolumeInfo> volumes;
  std::ifstream mounts("/proc/self/mounts");
  if (!mounts) return volumes;
  const std::map<std::string, std::string> labels = LabelsByDevice();
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    TVolumeInfo v;
    v.MountPoint = UnescapeMount(mountPoint);
    v.Type = type;
    const std::string dev = UnescapeMount(device);
    if (IsNetworkFileSystem(type)) {
      v.Remote = dev;
    } else if (dev.rfind("/dev/", 0) == 0) {
      const std::string real = Canonical(dev);
      if (auto it = labels.find(real); it != labels.end()) v.Label = it->second;
      v.Removable = IsRemovable(real);
    }
    volumes.push_back(std::move(v));
  }
  return volumes;
}

bool IsNetworkFileSystem(const std::string& type) {
  static const char* const kTypes[] = {"cifs",  "smb3",       "smbfs",       "nfs",          "nfs4",
                                       "ncpfs", "afs",        "ceph",        "glusterfs",    "9p",
                                       "davfs", "fuse.sshfs", "fuse.davfs2", "fuse.smbnetfs"};
  for (const char* t : kTypes)
    if (type == t) return true;
  return false;
}

TVolumeSource& SystemVolumeSource() {
  static TSystemVolumeSource source;
  return source;
}

}  // namespace lw
