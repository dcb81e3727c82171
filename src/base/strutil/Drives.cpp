#include "Drives.h"

#include <algorithm>
#include <set>

namespace lw {

namespace {

const std::set<std::string>& PseudoTypes() {
  static const std::set<std::string> types = {
      "proc",        "sysfs",      "devtmpfs",        "devpts",      "cgroup",
      "cgroup2",     "securityfs", "debugfs",         "tracefs",     "pstore",
      "bpf",         "mqueue",     "hugetlbfs",       "configfs",    "fusectl",
      "binfmt_misc", "autofs",     "efivarfs",        "rpc_pipefs",  "nsfs",
      "selinuxfs",   "rootfs",     "fuse.gvfsd-fuse", "fuse.portal", "nfsd",
      "sockfs",      "pipefs",     "ramfs-internal"};
  return types;
}

// The volumes in mount-point order; when a mount point appears twice, the later mount hides
// the earlier one and is the one kept.
std::vector<TVolumeInfo> Ordered(TVolumeSource& source) {
  std::vector<TVolumeInfo> all;
  try {
    all = source.Volumes();
  } catch (...) {
    return {};
  }
  std::vector<TVolumeInfo> kept;
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    const bool seen = std::any_of(kept.begin(), kept.end(), [&](const TVolumeInfo& v) {
      return v.MountPoint == it->MountPoint;
    });
    if (!seen) kept.push_back(*it);
  }
  std::stable_sort(kept.begin(), kept.end(), [](const TVolumeInfo& a, const TVolumeInfo& b) {
    return a.MountPoint < b.MountPoint;
  });
  return kept;
}

const TVolumeInfo* Find(const std::vector<TVolumeInfo>& list, const std::string& mountPoint) {
  for (const TVolumeInfo& v : list)
    if (v.MountPoint == mountPoint) return &v;
  return nullptr;
}

}  // namespace

int DriveTypeOf(const TVolumeInfo& volume) {
  const std::string& t = volume.Type;
  if (t.empty() || volume.MountPoint.empty()) return dtUnknown;
  if (IsNetworkFileSystem(t)) return dtRemote;
  if (PseudoTypes().count(t)) return dtNoRootDir;
  if (t == "iso9660" || t == "udf") return dtCDROM;
  if (t == "tmpfs" || t == "ramfs") return dtRamDisk;
  return volume.Removable ? dtRemovable : dtFixed;
}

void GetDrivesList(std::vector<std::string>& list, TVolumeSource& source) {
  list.clear();
  for (const TVolumeInfo& v : Ordered(source)) {
    const int type = DriveTypeOf(v);
    if (type == dtUnknown || type == dtNoRootDir) continue;
    if (v.MountPoint.find(';') != std::string::npos) continue;
    const std::string label = type == dtRemote ? (v.Remote.empty() ? v.Label : v.Remote) : v.Label;
    list.push_back(v.MountPoint + ";" + std::to_string(type) + ";" + label);
  }
}

void GetDrivesList(std::vector<std::string>& list) {
  GetDrivesList(list, SystemVolumeSource());
}

std::string VolumeID(const std::string& mountPoint, TVolumeSource& source) {
  const std::vector<TVolumeInfo> list = Ordered(source);
  const TVolumeInfo* v = Find(list, mountPoint);
  return v ? v->Label : std::string();
}

std::string VolumeID(const std::string& mountPoint) {
  return VolumeID(mountPoint, SystemVolumeSource());
}

std::string NetworkVolume(const std::string& mountPoint, TVolumeSource& source) {
  const std::vector<TVolumeInfo> list = Ordered(source);
  const TVolumeInfo* v = Find(list, mountPoint);
  if (!v) return {};
  return v->Remote.empty() ? v->Label : v->Remote;
}

std::string NetworkVolume(const std::string& mountPoint) {
  return NetworkVolume(mountPoint, SystemVolumeSource());
}

}  // namespace lw
