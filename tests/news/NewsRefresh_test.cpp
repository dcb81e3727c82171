#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FileText.h"
#include "LocalServers.h"
#include "NewsClient.h"
#include "TempDir.h"

namespace lw {
namespace {

using test::ReadAll;
using test::WriteAll;

const char kNews[] = "Products\r\n\tNew release;notes.txt\r\n\tPrices;prices.htm\r\n";

class NewsRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteAll(FRoot.File("lwnews.inf"), kNews);
    WriteAll(FRoot.File("bad.inf"), "Head\n\t\tTwo deep\n");
    FServer = std::make_unique<test::THttpServer>(FRoot.Path());
    ASSERT_TRUE(FServer->Ok()) << "python3 http server did not start";
    FSettings.Url = FServer->Url("/files/lwnews.inf");
    FSettings.File = FHome.File("lwnews.inf");
  }
  test::TTempDir FRoot, FHome;
  std::unique_ptr<test::THttpServer> FServer;
  TNewsSettings FSettings;
};

TEST_F(NewsRefreshTest, FetchStoresTheBodyAndLoadsIt) {
  TNewsClient client;
  const TNewsTree tree = client.Refresh(FSettings);
  EXPECT_EQ(ReadAll(FSettings.File), kNews);  // byte for byte, CR LF kept
  ASSERT_EQ(tree.Nodes.size(), 3u);
  EXPECT_EQ(tree.Nodes[1].Text, "New release");
  EXPECT_EQ(tree.Links[2], "prices.htm");
}

TEST_F(NewsRefreshTest, FailuresKeepTheOldFileAndTree) {
  WriteAll(FSettings.File, "Old news\n");
  TNewsClient client;
  for (const std::string path : {"/status/404", "/status/500", "/cut/lwnews.inf"}) {
    FSettings.Url = FServer->Url(path);
    EXPECT_THROW(client.Refresh(FSettings), ETransferError) << path;
    EXPECT_FALSE(RefreshQuietly(client, FSettings)) << path;
    EXPECT_EQ(ReadAll(FSettings.File), "Old news\n") << path;
  }
  // Past the 4000 ms time-out: a failure, quietly.
  FSettings.Url = FServer->Url("/slow/6000/lwnews.inf");
  EXPECT_FALSE(RefreshQuietly(client, FSettings));
  EXPECT_EQ(ReadAll(FSettings.File), "Old news\n");
  // A piece every 2 s is never 4 s of silence; the whole fetch still ends at 15 s.
  WriteAll(FRoot.File("trickle.inf"), std::string(12 * 1024, 'x'));
  FSettings.Url = FServer->Url("/drip/2000/trickle.inf");
  std::string failure;
  EXPECT_FALSE(RefreshQuietly(client, FSettings, {}, &failure));
  EXPECT_EQ(failure, "took longer than 15 s");
}

TEST_F(NewsRefreshTest, InvalidLevelInAFetchedFileShowsThePartialTree) {
  FSettings.Url = FServer->Url("/files/bad.inf");
  TNewsClient client;
  const auto tree = RefreshQuietly(client, FSettings);
  ASSERT_TRUE(tree);
  EXPECT_EQ(tree->Nodes.size(), 1u);
  EXPECT_EQ(tree->Error, "Invalid level (2) for item \"Two deep\"");
}

TEST_F(NewsRefreshTest, UnwritableDirectoryShowsThePreviousFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  WriteAll(FSettings.File, "Previous\n");
  std::filesystem::permissions(
      FHome.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  TNewsClient client;
  const auto tree = RefreshQuietly(client, FSettings);
  std::filesystem::permissions(FHome.Path(), std::filesystem::perms::owner_all);
  ASSERT_TRUE(tree);
  ASSERT_EQ(tree->Nodes.size(), 1u);
  EXPECT_EQ(tree->Nodes[0].Text, "Previous");
}

TEST_F(NewsRefreshTest, ProxyIsKeptUntilTheClientGoes) {
  test::TTinyProxy proxy(FHome.Path());
  ASSERT_TRUE(proxy.Ok()) << "tinyproxy did not start";
  FSettings.ProxyHost = "127.0.0.1";
  FSettings.ProxyPort = std::to_string(proxy.Port());
  TNewsClient client;
  client.Refresh(FSettings);
  EXPECT_EQ(client.ProxyHost(), "127.0.0.1");
  const std::string url = FSettings.Url;
  auto proxied = [&] {
    size_t n = 0;
    const std::string log = proxy.Log();
    for (size_t at = log.find(url); at != std::string::npos; at = log.find(url, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(proxied(), 1u) << proxy.Log();
  // The host is cleared in the settings: this client still goes through the proxy...
  FSettings.ProxyHost.clear();
  FSettings.ProxyPort.clear();
  client.Refresh(FSettings);
  EXPECT_EQ(proxied(), 2u);
  // ...a new one goes straight to the server.
  TNewsClient fresh;
  fresh.Refresh(FSettings);
  EXPECT_EQ(proxied(), 2u);
  // A port typed as letters is port 0, which no transfer uses.
  FSettings.ProxyHost = "127.0.0.1";
  FSettings.ProxyPort = "abc";
  try {
    fresh.Refresh(FSettings);
    ADD_FAILURE() << "port 0 accepted";
  } catch (const ETransferError& e) {
    EXPECT_EQ(fresh.ProxyPort(), 0);
    EXPECT_EQ(e.Kind(), ETransferError::BadRequest) << e.what();
  }
}

TEST(ProxyPortNumber, DecimalOrZero) {
  EXPECT_EQ(ProxyPortNumber("8080"), 8080);
  EXPECT_EQ(ProxyPortNumber(" 3128 "), 3128);
  EXPECT_EQ(ProxyPortNumber("abc"), 0);
  EXPECT_EQ(ProxyPortNumber("80a"), 0);
  EXPECT_EQ(ProxyPortNumber(""), 0);
  EXPECT_EQ(ProxyPortNumber("99999999999"), 0);
}

}  // namespace
}  // namespace lw
