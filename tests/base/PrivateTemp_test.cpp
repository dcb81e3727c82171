// The temporary directory for files the program reads back or runs: never one that someone
// else can write or has prepared.
#include "strutil/PrivateTemp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "EnvOverride.h"
#include "TempDir.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

std::string OwnName(const std::string& root) {
  return root + "/ledgerwake-" + std::to_string(::getuid());
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

TEST(PrivateTemp, AnOwnClosedTmpdirIsUsedAsItIs) {
  test::TTempDir root;  // mkdtemp: ours, mode 0700
  test::TEnvOverride env;
  env.Set("TMPDIR", root.Path() + "/");
  EXPECT_EQ(PrivateTempDirectory(), root.Path() + "/");
  EXPECT_FALSE(fs::exists(OwnName(root.Path())));
}

TEST(PrivateTemp, ASharedRootGetsAClosedDirectoryOfOurOwnThatLasts) {
  test::TTempDir root;
  ASSERT_EQ(::chmod(root.Path().c_str(), 01777), 0);
  test::TEnvOverride env;
  env.Set("TMPDIR", root.Path());
  const std::string dir = PrivateTempDirectory();
  EXPECT_EQ(dir, OwnName(root.Path()) + "/");
  EXPECT_TRUE(S_ISDIR(ModeOf(OwnName(root.Path()))));
  EXPECT_EQ(ModeOf(OwnName(root.Path())) & 0777, 0700u);
  EXPECT_EQ(PrivateTempDirectory(), dir);
  // A cleaned temporary directory: it is made again.
  fs::remove_all(OwnName(root.Path()));
  EXPECT_EQ(PrivateTempDirectory(), dir);
  EXPECT_TRUE(fs::is_directory(OwnName(root.Path())));
}

// Whatever waits under our name in a shared directory is never used: a link to somewhere
// else, or a directory others can write into.
TEST(PrivateTemp, WhatWaitsUnderOurNameIsNeverUsed) {
  test::TTempDir linked, opened, elsewhere;
  test::TEnvOverride env;
  auto check = [&](const test::TTempDir& root, auto prepare) {
    ASSERT_EQ(::chmod(root.Path().c_str(), 01777), 0);
    const std::string own = OwnName(root.Path());
    prepare(own);
    env.Set("TMPDIR", root.Path());
    const std::string dir = PrivateTempDirectory();
    EXPECT_NE(dir, own + "/");
    EXPECT_EQ(dir.rfind(own + "-", 0), 0u) << dir;
    EXPECT_EQ(ModeOf(dir.substr(0, dir.size() - 1)) & 0777, 0700u);
  };
  check(linked,
        [&](const std::string& own) { fs::create_directory_symlink(elsewhere.Path(), own); });
  check(opened, [](const std::string& own) {
    ASSERT_EQ(::mkdir(own.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(own.c_str(), 0777), 0);
  });
  EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
}

TEST(PrivateTemp, ARootWithoutRoomFallsBackToTheUsersCache) {
  test::TTempDir cache;
  test::TEnvOverride env;
  env.Set("XDG_CACHE_HOME", cache.Path());
  env.Set("TMPDIR", cache.File("no/such/root"));
  const std::string dir = PrivateTempDirectory();
  EXPECT_EQ(dir, cache.File("ledgerwake/tmp/"));
  EXPECT_EQ(ModeOf(cache.File("ledgerwake/tmp")) & 0777, 0700u);
}

}  // namespace
}  // namespace lw
