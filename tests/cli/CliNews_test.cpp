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

}  // namespace
}  // namespace lw
