#include "Transfer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LocalServers.h"
#include "TempDir.h"

namespace lw {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

// A document root with a few files, and our HTTP server over it.
class HttpTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FBody = "Products\n\tNew release;notes.txt\n";
    for (int i = 0; i < 3000; ++i) FBig += "line " + std::to_string(i) + "\n";
    WriteAll(FRoot.File("news.inf"), FBody);
    WriteAll(FRoot.File("big.txt"), FBig);
    FServer = std::make_unique<test::THttpServer>(FRoot.Path());
    ASSERT_TRUE(FServer->Ok()) << "python3 http server did not start";
  }
  TTransferRequest Request(const std::string& path) {
    TTransferRequest r;
    r.Url = FServer->Url(path);
    r.TimeoutMs = 4000;
    return r;
  }

  test::TTempDir FRoot, FOut;
  std::string FBody, FBig;
  std::unique_ptr<test::THttpServer> FServer;
  TTransfer FTransfer;
};

TEST_F(HttpTransferTest, GetIntoMemoryAndFile) {
  TTransferResult got = FTransfer.Get(Request("/files/news.inf"));
  EXPECT_EQ(got.Status, 200);
  EXPECT_EQ(got.Body, FBody);
  EXPECT_EQ(got.ContentLength, static_cast<std::int64_t>(FBody.size()));
  EXPECT_EQ(got.Bytes, FBody.size());

  const std::string target = FOut.File("news.inf");
  WriteAll(target, "old news");
  got = FTransfer.GetFile(Request("/files/big.txt"), target);
  EXPECT_EQ(got.Bytes, FBig.size());
  EXPECT_EQ(ReadAll(target), FBig);
  // Nothing but the target is left in its directory.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FOut.Path()), {}), 1);
}

}  // namespace
}  // namespace lw
