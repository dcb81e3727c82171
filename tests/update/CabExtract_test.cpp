// Cabinet extraction of files made by gcab.
#include "CabExtract.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CabMszip.h"
#include "UpdateTestUtil.h"

namespace lw {
namespace {

using test::Exists;
using test::Payload;
using test::ReadFile;
using test::Shell;
using test::TTempDir;
using test::WriteFile;

TEST(CabinetTest, SafeNames) {
  EXPECT_TRUE(SafeCabinetName("a.txt"));
  EXPECT_TRUE(SafeCabinetName("sub\\b.txt"));
  EXPECT_TRUE(SafeCabinetName("sub/b..txt"));
  for (const char* bad :
       {"", "/etc/passwd", "\\x", "C:evil", "..\\x", "a/../../x", "a\\..", "a/./b", "a/"})
    EXPECT_FALSE(SafeCabinetName(bad)) << bad;
}

class CabinetFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists("/usr/bin/gcab")) << "gcab is needed (scripts/install-deps.sh)";
    ::mkdir(Src("sub").c_str(), 0755);
    WriteFile(Src("one.txt"), Payload(70000));
    WriteFile(Src("sub/two.txt"), "second file");
    ASSERT_TRUE(Shell(FSrc.Path(), "touch -d '2003-04-05 06:07:08' one.txt"));
    ASSERT_TRUE(Shell(FSrc.Path(), "gcab -c -z " + Cab() + " one.txt sub/two.txt"));
  }
  std::string Src(const std::string& n) { return FSrc.File(n); }
  std::string Cab() { return FOut.File("pack.cab"); }
  TTempDir FSrc, FOut;
};

TEST_F(CabinetFixture, ExtractsEveryFileWithItsTime) {
  const std::string target = FOut.File("target");
  WriteFile(FOut.File("target-existing"), "");
  ::mkdir(target.c_str(), 0755);
  WriteFile(target + "/one.txt", "old");
  std::string error;
  ASSERT_EQ(CabExtract(Cab(), target, &error), 0) << error;
  EXPECT_EQ(ReadFile(target + "/one.txt"), ReadFile(Src("one.txt")));
  EXPECT_EQ(ReadFile(target + "/sub/two.txt"), "second file");
  struct stat a {
  }, b{};
  ::stat(Src("one.txt").c_str(), &a);
  ::stat((target + "/one.txt").c_str(), &b);
  EXPECT_EQ(a.st_mtime, b.st_mtime);
}

// The zlib path takes stored and MSZIP cabinets with files spanning blocks and empty files, and
// leaves a block whose checksum disagrees to the general decompressor.
TEST_F(CabinetFixture, FastPathForStoredAndMszip) {
  WriteFile(Src("empty.txt"), "");
  ASSERT_TRUE(
      Shell(FSrc.Path(), "gcab -c " + FOut.File("stored.cab") + " empty.txt one.txt sub/two.txt"));
  ASSERT_TRUE(
      Shell(FSrc.Path(), "gcab -c -z " + FOut.File("zip.cab") + " one.txt empty.txt sub/two.txt"));
  for (const char* cab : {"stored.cab", "zip.cab"}) {
    const std::string target = FOut.File(std::string("t-") + cab) + "/";
    std::string error;
    ASSERT_EQ(CabExtractMszip(FOut.File(cab), target, &error), 0) << cab << ": " << error;
    EXPECT_TRUE(ReadFile(target + "one.txt") == ReadFile(Src("one.txt"))) << cab;
    EXPECT_EQ(ReadFile(target + "sub/two.txt"), "second file") << cab;
    EXPECT_TRUE(Exists(target + "empty.txt")) << cab;
  }
  std::string bytes = ReadFile(FOut.File("zip.cab"));
  bytes[bytes.size() - 100] ^= 0x55;  // inside the last data block
  WriteFile(FOut.File("zip.cab"), bytes);
  EXPECT_EQ(CabExtractMszip(FOut.File("zip.cab"), FOut.File("t3") + "/", nullptr), 1);
  EXPECT_EQ(CabExtract(FOut.File("zip.cab"), FOut.File("t3")), -1);
}

// A stored name patched to climb out of the target: nothing at all is written.
TEST_F(CabinetFixture, ClimbingNameRefusesTheWholeCabinet) {
  std::string bytes = ReadFile(Cab());
  const size_t at = bytes.find("sub\\two.txt");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 3, "..\\");
  WriteFile(Cab(), bytes);
  const std::string target = FOut.File("t");
  ::mkdir(target.c_str(), 0755);
  std::string error;
  EXPECT_EQ(CabExtract(Cab(), target, &error), -1);
  EXPECT_NE(error.find("Unsafe"), std::string::npos);
  EXPECT_FALSE(Exists(target + "/one.txt"));
  EXPECT_FALSE(Exists(FOut.File("two.txt")));
}

TEST_F(CabinetFixture, DamagedCabinetFails) {
  std::string bytes = ReadFile(Cab());
  for (size_t i = bytes.size() / 2; i < bytes.size(); i += 7)
    bytes[i] = static_cast<char>(~bytes[i]);
  WriteFile(Cab(), bytes);
  const std::string target = FOut.File("t");
  ::mkdir(target.c_str(), 0755);
  EXPECT_EQ(CabExtract(Cab(), target), -1);
  WriteFile(Cab(), "MSCF but not really");
  EXPECT_EQ(CabExtract(Cab(), target), -1);
  EXPECT_EQ(CabExtract(FOut.File("missing.cab"), target), -1);
}

}  // namespace
}  // namespace lw
