#pragma once

#include <string>
#include <vector>

#include "Volumes.h"

// The drive list of the distribution-medium search, over mounted volumes: the "drive letter"
// is the mount point, its root is the mount point with a trailing '/', the label is the volume
// label and a network mount is named by its remote source.
namespace lw {

// Drive types as the platform used to number them.
enum TDriveType {
  dtUnknown = 0,
  dtNoRootDir = 1,
  dtRemovable = 2,
  dtFixed = 3,
  dtRemote = 4,
  dtCDROM = 5,
  dtRamDisk = 6,
};

// The type code of a mounted volume: network file systems are remote, iso9660/udf CD-ROM,
// tmpfs/ramfs RAM disks, kernel pseudo file systems (proc, sysfs, cgroup, ...) have no root.
int DriveTypeOf(const TVolumeInfo& volume);

// Clears the list and adds "mount point;type;label" per usable volume in mount-point order
// (types 0 and 1 add nothing; a remote volume shows NetworkVolume). A mount point containing
// ';' cannot be told apart from the fields and is left out.
void GetDrivesList(std::vector<std::string>& list, TVolumeSource& source);
void GetDrivesList(std::vector<std::string>& list);

// The label of the volume mounted at `mountPoint` ("" when unknown or not mounted).
std::string VolumeID(const std::string& mountPoint, TVolumeSource& source);
std::string VolumeID(const std::string& mountPoint);
// The remote source of a network volume, otherwise VolumeID.
std::string NetworkVolume(const std::string& mountPoint, TVolumeSource& source);
std::string NetworkVolume(const std::string& mountPoint);

}  // namespace lw
