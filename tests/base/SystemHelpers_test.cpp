// Drive list over a fake volume source, the embedded version block, file helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "strutil/Drives.h"
#include "strutil/FileUtil.h"
#include "strutil/SysUtil.h"
#include "strutil/VersionInfo.h"

namespace lw {
namespace {

TFixedVolumeSource Volumes() {
  return TFixedVolumeSource({
      {"/proc", "proc", "", "", false},
      {"/media/usb", "vfat", "STICK", "", true},
      {"/", "ext4", "rootfs", "", false},
      {"/mnt/share", "cifs", "", "//server/QuorahTalvernWyst", false},
      {"/media/cdrom", "iso9660", "TALVERN", "", false},
      {"/run", "tmpfs", "", "", false},
      {"/weird;name", "ext4", "X", "", false},
  });
}

TEST(Drives, ListInMountPointOrderWithTypesAndLabels) {
  TFixedVolumeSource source = Volumes();
  std::vector<std::string> list = {"stale"};
  GetDrivesList(list, source);
  const std::vector<std::string> expected = {
      "/;3;rootfs",
      "/media/cdrom;5;TALVERN",
      "/media/usb;2;STICK",
      "/mnt/share;4;//server/QuorahTalvernWyst",
      "/run;6;",
  };
  EXPECT_EQ(list, expected);  // pseudo file systems and ';' in a mount point are left out
}

TEST(Drives, LaterMountOnTheSamePointHidesTheEarlier) {
  TFixedVolumeSource source({{"/media/cdrom", "iso9660", "OLD", "", false},
                             {"/media/cdrom", "iso9660", "NEW", "", false}});
  EXPECT_EQ(VolumeID("/media/cdrom", source), "NEW");
}

TEST(Drives, NetworkVolumeFallsBackToTheLabel) {
  TFixedVolumeSource source = Volumes();
  EXPECT_EQ(NetworkVolume("/mnt/share", source), "//server/QuorahTalvernWyst");
  EXPECT_EQ(NetworkVolume("/media/cdrom", source), "TALVERN");
  EXPECT_EQ(VolumeID("/mnt/share", source), "");
  EXPECT_EQ(VolumeID("/nowhere", source), "");
}

TEST(Drives, SystemSourceListsTheRoot) {
  std::vector<std::string> list;
  GetDrivesList(list);
  bool root = false;
  for (const std::string& line : list) root = root || line.rfind("/;", 0) == 0;
  EXPECT_TRUE(root);
}

TEST(VersionBlock, OurExecutableCarriesIt) {
  TFileVersionInfo info;
  ASSERT_TRUE(ReadFileVersionInfo(ProgramPath(), info));
  EXPECT_EQ(info.ProductName, "Ledgerwake");
  EXPECT_EQ(info.CompanyName, "TALVERN");
  EXPECT_EQ(info.InternalName.substr(0, 2), "LW");
  EXPECT_EQ(info.FileDescription, "Ledgerwake base tests");
  EXPECT_EQ(info.OriginalFileName, "base_tests");
  EXPECT_FALSE(info.ProductVersion.empty());
  EXPECT_EQ(FileVer(ProgramPath()), info.FileVersion);
  EXPECT_EQ(std::count(info.FileVersion.begin(), info.FileVersion.end(), '.'), 3);
  const TFileVersionInfo builtIn = BuiltInVersionInfo();
  EXPECT_EQ(builtIn.ProductName, info.ProductName);
  EXPECT_EQ(builtIn.FileVersion, info.FileVersion);
  EXPECT_EQ(builtIn.InternalName, info.InternalName);
}

TEST(VersionBlock, OtherFilesHaveNoneAndOutputsStayAsTheyWere) {
  test::TTempDir dir;
  const std::string plain = dir.File("plain.bin");
  std::ofstream(plain) << "no block in here, only text\n";
  std::string outs[10] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
  for (const std::string& path : {plain, dir.File("missing"), std::string()}) {
    GetFileVerInfo(path, outs[0], outs[1], outs[2], outs[3], outs[4], outs[5], outs[6], outs[7],
                   outs[8], outs[9]);
    EXPECT_EQ(outs[0], "a");
    EXPECT_EQ(outs[9], "j");
    EXPECT_EQ(FileVer(path), "");
  }
  // A truncated block (marker without its terminator) is not taken for one.
  std::string marker = "?LW-VERSION-BLOCK-1";
  marker[0] = 0x7f;
  std::ofstream(dir.File("cut.bin"), std::ios::binary)
      << marker << '\0' << "ProductName" << '\0' << "Half";
  EXPECT_EQ(FileVer(dir.File("cut.bin")), "");
}

TEST(FileUtil, PathsAndDates) {
  EXPECT_EQ(SlashPath("data\\sub\\"), "data/sub/");
  EXPECT_EQ(IncludeTrailingSlash("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingSlash(""), "");
  EXPECT_EQ(ExcludeTrailingSlash("/a/"), "/a");
  EXPECT_EQ(ExtractFilePath("/x/y/prog"), "/x/y/");
  EXPECT_EQ(FileDateTime("/definitely/not/here"), 0);
  test::TTempDir dir;
  std::ofstream(dir.File("f")) << "x";
  // Milliseconds since 0001-01-01 (day 1): any file written now lies after year 2000.
  EXPECT_GT(FileDateTime(dir.File("f")), 730120LL * 86400000LL);
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_TRUE(ForceDirectories(dir.File("a/b/c")));
}

TEST(SysUtil, NearestLinuxMeanings) {
  EXPECT_LE(GetComputerNameA().size(), 15u);
  EXPECT_LE(GetUserNameA().size(), 15u);
  EXPECT_EQ(GetComputerNameA("not an address"), "");
  EXPECT_EQ(RegFilePath("sh"), RegFilePath("/some/where/sh"));
  EXPECT_EQ(RegFilePath("no-such-program-lw"), "");
  EXPECT_EQ(GetSpecialFolderLocation(nullptr, sfSystem), "/usr/bin");
  EXPECT_EQ(GetSpecialFolderLocation(nullptr, 0x7777), "");
}

}  // namespace
}  // namespace lw
