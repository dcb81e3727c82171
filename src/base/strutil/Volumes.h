#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lw {

// One mounted volume: what stands in for a drive on a system without drive letters.
struct TVolumeInfo {
  std::string MountPoint;  // e.g. "/media/cdrom" (no trailing '/', except the root "/")
  std::string Type;        // file-system type as mounted: "iso9660", "ext4", "cifs", "nfs", ...
  std::string Label;       // volume label, "" when it has none or it cannot be read
  std::string Remote;      // network source ("//server/share", "host:/path"), "" otherwise
  bool Removable = false;  // a removable medium (USB stick, memory card)
};

// Where the mounted volumes come from; tests inject a fixed list.
class TVolumeSource {
 public:
  virtual ~TVolumeSource() = default;
  virtual std::vector<TVolumeInfo> Volumes() = 0;
};

// The machine's mounts (/proc/self/mounts), labels from /dev/disk/by-label.
class TSystemVolumeSource : public TVolumeSource {
 public:
  std::vector<TVolumeInfo> Volumes() override;
};

// A fixed list.
class TFixedVolumeSource : public TVolumeSource {
 public:
  TFixedVolumeSource() = default;
  explicit TFixedVolumeSource(std::vector<TVolumeInfo> volumes) : FVolumes(std::move(volumes)) {}
  std::vector<TVolumeInfo> Volumes() override { return FVolumes; }
  std::vector<TVolumeInfo>& List() { return FVolumes; }

 private:
  std::vector<TVolumeInfo> FVolumes;
};

// Whether a file-system type is a network file system (its mount source is the remote name).
bool IsNetworkFileSystem(const std::string& type);

// The process-wide source used when none is given (a TSystemVolumeSource).
TVolumeSource& SystemVolumeSource();

}  // namespace lw
