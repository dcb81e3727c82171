// ledgerwake-cli news against our loopback HTTP server.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "FileText.h"
#include "LocalServers.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

class CliNews : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path bin = fs::path(LW_CLI_PATH).parent_path();
    if (!fs::exists(bin / "sample" / "sample.db") || !fs::exists(bin / "data" / "swap.db"))
      GTEST_SKIP() << "no sample data next to " << LW_CLI_PATH << " (build sample_data)";
    fs::copy(bin / "sample", FHome.Path() / "sample", fs::copy_options::recursive);
    fs::copy(bin / "data", FHome.Path() / "data", fs::copy_options::recursive);
    test::WriteAll(FRoot / "lwnews.inf", "Products\r\n\tNew release;notes.txt\r\n\t\tmore\r\n");
    test::WriteAll(FRoot / "bad.inf", "Head\n\t\tToo deep\n");
    FServer = std::make_unique<test::THttpServer>(FRoot.Path().string());
    ASSERT_TRUE(FServer->Ok()) << "python3 http server did not start";
    NewsFile = FHome / "lwnews.inf";
    SetUrl("/files/lwnews.inf");
  }
  void SetUrl(const std::string& path) {
    test::WriteAll(FHome / "setup.ini", "[NEWS]\r\nurl=" + FServer->Url(path) +
                                            "\r\nfile=" + NewsFile +
                                            "\r\n[DATABASE]\r\n"
                                            "path=data/\r\nname1=businfo.db\r\n");
  }
  test::TCommandResult News(std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"news", "--home", FHome.Path().string()});
    return test::RunProgram(LW_CLI_PATH, args, FScratch);
  }

  test::TScratchDir FHome{"news-home"}, FRoot{"news-root"}, FScratch{"news-out"};
  std::unique_ptr<test::THttpServer> FServer;
  std::string NewsFile;
};

TEST_F(CliNews, FetchesWhenMissingThenShowsTheFile) {
  const std::string tree = "Products\n  New release  -> notes.txt\n    more\n";
  test::TCommandResult r = News();
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, tree);
  // The file is there now: no fetch, even from a server that would fail.
  SetUrl("/status/500");
  r = News();
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, tree);
}

TEST_F(CliNews, RefreshFailureNamesTheReasonAndKeepsTheFile) {
  test::WriteAll(NewsFile, "Old\n");
  SetUrl("/status/404");
  const test::TCommandResult r = News({"--refresh"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find(FServer->Url("/status/404")), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("HTTP status 404"), std::string::npos) << r.Err;
  EXPECT_EQ(test::ReadAll(NewsFile), "Old\n");
}

TEST_F(CliNews, InvalidLevelPrintsThePartialTreeAndFails) {
  SetUrl("/files/bad.inf");
  const test::TCommandResult r = News({"--refresh"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Out, "Head\n");
  EXPECT_NE(r.Err.find("Invalid level (2) for item \"Too deep\""), std::string::npos) << r.Err;
}

TEST_F(CliNews, NoNewsAddressIsSaidSo) {
  test::WriteAll(FHome / "setup.ini", "[NEWS]\r\nurl=\r\nfile=" + NewsFile +
                                          "\r\n[DATABASE]\r\n"
                                          "path=data/\r\nname1=businfo.db\r\n");
  const test::TCommandResult r = News();
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("no news address is set"), std::string::npos) << r.Err;
}

// A relative news file lies where the layout keeps what the program writes: beside the
// program when portable, in the user's data directory when installed; never in the current
// directory, which may be anyone's.
TEST_F(CliNews, ARelativeNewsFileFollowsTheLayout) {
  NewsFile = "lwnews.inf";
  SetUrl("/files/lwnews.inf");
  test::TCommandResult r = News();
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(fs::exists(FHome / "lwnews.inf"));
  EXPECT_FALSE(fs::exists(fs::current_path() / "lwnews.inf"));

  // Installed: bin/ with share/ledgerwake/ beside it, as a package leaves it.
  const fs::path prefix = FScratch.Path() / "usr", user = FScratch.Path() / "user";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share");
  fs::rename(FHome.Path(), prefix / "share" / "ledgerwake");
  fs::remove(prefix / "share" / "ledgerwake" / "lwnews.inf");
  r = test::RunProgram("/usr/bin/env",
                       {"HOME=" + user.string(), "XDG_DATA_HOME=" + (user / "data").string(),
                        "XDG_CONFIG_HOME=" + (user / "config").string(),
                        "XDG_CACHE_HOME=" + (user / "cache").string(), LW_CLI_PATH, "news",
                        "--home", (prefix / "bin").string()},
                       FScratch);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Products\n  New release  -> notes.txt\n    more\n");
  EXPECT_TRUE(fs::exists(user / "data" / "ledgerwake" / "lwnews.inf"));
  EXPECT_FALSE(fs::exists(prefix / "share" / "ledgerwake" / "lwnews.inf"));
  EXPECT_FALSE(fs::exists(prefix / "bin" / "lwnews.inf"));
}

}  // namespace
}  // namespace lw
