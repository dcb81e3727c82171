// lw-publish end to end: its key pair, control file, signature and packed files, as the
// engine and Debian's own tools read them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "EngineFixture.h"

namespace lw {
namespace {

using test::Payload;
using test::ReadFile;
using test::Shell;
using test::VersionedBytes;
using test::WriteFile;

// A release (a program with a version block and a text file), a key pair, and an engine
// that installs into its own directory with that key.
class PublishTest : public test::TEngineFixture {
 protected:
  void SetUp() override {
    TEngineFixture::SetUp();
    ::mkdir(Work("release").c_str(), 0755);
    ::mkdir(Work("install").c_str(), 0755);
    WriteFile(Work("release/app"), VersionedBytes("2.0.0.0"));
    WriteFile(Work("release/notes.txt"), Payload(50000));
    ASSERT_EQ(Run("keygen --out " + Work("k")), 0);
    Engine.UpdatePublicKey = ReadFile(Work("k.pub"));
    Engine.UpdateUpdate = nuuSilent;
    Engine.ExtractCAB = true;
    Engine.URL = Url("update.inf");
  }
  static int Run(const std::string& args) {
    const int rc = std::system((std::string(LW_PUBLISH) + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  int Publish(const std::string& key, const std::string& options) {
    return Run(Work("release") + " --base-url " + Url("") + " --key " + Work(key) + " --out " +
               Root("update.inf") + " --targetdir " + Work("install") + " " + options);
  }
  void Flip(const std::string& path) {
    std::string bytes = ReadFile(path);
    bytes[bytes.size() / 2] ^= 1;
    WriteFile(path, bytes);
  }
  int Count(int id) const { return static_cast<int>(std::count(Ids.begin(), Ids.end(), id)); }
};

class PublishRoundTrip : public PublishTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PublishRoundTrip, EngineInstallsWhatWasPublishedOnce) {
  WriteFile(Work("install/app"), VersionedBytes("1.0.0.0"));
  ASSERT_EQ(Publish("k.key", GetParam()), 0);
  Engine.DoUpdate();
  EXPECT_EQ(ReadFile(Work("install/app")), VersionedBytes("2.0.0.0")) << AllLines();
  EXPECT_TRUE(ReadFile(Work("install/notes.txt")) == Payload(50000)) << AllLines();
  // The versions and checksums in the control file now match the installed files.
  Ids.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Count(945), 0) << AllLines();
}

INSTANTIATE_TEST_SUITE_P(Packing, PublishRoundTrip, ::testing::Values("", "--lz", "--cab"));

TEST_F(PublishTest, ProgramComponentWaitsForTheUpdater) {
  ASSERT_EQ(Publish("k.key", "--lz --app app"), 0);
  bool asked = false;
  Engine.OnAppRestart = [&](bool& allow) { asked = true, allow = false; };
  Engine.DoUpdate();
  EXPECT_EQ(ReadFile(Work("install/app_new")), VersionedBytes("2.0.0.0")) << AllLines();
  EXPECT_FALSE(test::Exists(Work("install/app")));
  EXPECT_TRUE(asked && Engine.RestartWanted() && Engine.RestartNeeded());
}

TEST_F(PublishTest, OneChangedByteIsRefused) {
  ASSERT_EQ(Publish("k.key", "--lz"), 0);
  const std::string control = ReadFile(Root("update.inf"));
  Flip(Root("update.inf"));
  Engine.DoUpdate();
  EXPECT_EQ(Count(927), 1) << AllLines();
  EXPECT_FALSE(test::Exists(Work("install/app")));

  WriteFile(Root("update.inf"), control);
  Flip(Root("notes.tx_"));
  Ids.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Count(946), 1) << AllLines();
  EXPECT_FALSE(test::Exists(Work("install/notes.txt")));
  EXPECT_TRUE(test::Exists(Work("install/app")));
}

TEST_F(PublishTest, DebianToolsReadWhatItWrites) {
  ASSERT_EQ(Publish("k.key", "--lz"), 0);
  const std::string root = Root("");
  EXPECT_TRUE(Shell(WorkDir(), "minisign -V -p k.pub -m " + root + "update.inf"));
  EXPECT_TRUE(Shell(root, "(msexpand < notes.tx_ > expanded)"));
  EXPECT_TRUE(ReadFile(Root("expanded")) == Payload(50000));
  ASSERT_EQ(Publish("k.key", "--cab"), 0);
  EXPECT_TRUE(Shell(WorkDir(), "mkdir gcab && cd gcab && gcab -x " + root + "notes.txt.cab"));
  EXPECT_TRUE(ReadFile(Work("gcab/notes.txt")) == Payload(50000));
  // Keys go both ways between the two tools.
  EXPECT_TRUE(Shell(root, "minisign -S -s " + Work("k.key") + " -m expanded && minisign -V -p " +
                              Work("k.pub") + " -m expanded"));
  ASSERT_TRUE(Shell(WorkDir(), "minisign -G -W -p m.pub -s m.key"));
  ASSERT_EQ(Publish("m.key", ""), 0);
  EXPECT_TRUE(Shell(WorkDir(), "minisign -V -p m.pub -m " + root + "update.inf"));
}

TEST_F(PublishTest, RefusalsAndUsageErrors) {
  const std::string key = ReadFile(Work("k.key"));
  EXPECT_EQ(Run("keygen --out " + Work("k")), 1);  // never replaces a key
  EXPECT_EQ(ReadFile(Work("k.key")), key);
  EXPECT_EQ(Publish("k.key", "--lz --cab"), 2);
  EXPECT_EQ(Run(Work("release") + " --key " + Work("k.key")), 2);
  WriteFile(Work("release/bad name"), "x");  // a name a URL would have to encode
  EXPECT_EQ(Publish("k.key", ""), 1);
  EXPECT_FALSE(test::Exists(Root("update.inf")));
}

}  // namespace
}  // namespace lw
