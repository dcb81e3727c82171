// Downloads, copies, checks and unpacking of single files through the engine, against a
// loopback HTTP server, pyftpdlib and local paths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "EngineFixture.h"
#include "Sha256.h"

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::Shell;
using test::TEngineFixture;
using test::WriteFile;

using TransferTest = TEngineFixture;

std::string Big(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7919) >> 5);
  return s;
}

TEST_F(TransferTest, ReplacesAnExistingTargetAndReportsProgress) {
  const std::string body = Big(300000);
  WriteFile(Root("f.bin"), body);
  WriteFile(Work("f.bin"), "old");
  std::vector<std::pair<int64_t, int64_t>> progress;
  Engine.OnFileProgress = [&](const std::string& name, int64_t pos, int64_t size) {
    EXPECT_EQ(name, Work("f.bin"));
    progress.emplace_back(pos, size);
  };
  ASSERT_TRUE(Engine.URLGetFile(Url("f.bin"), false, WorkDir() + "/"));
  EXPECT_TRUE(ReadFile(Work("f.bin")) == body);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().first, 300000);
  EXPECT_EQ(progress.back().second, 300000);
  EXPECT_TRUE(NoPartFilesIn(WorkDir()));
  // A target naming a file is the local name itself.
  Engine.OnFileProgress = nullptr;
  ASSERT_TRUE(Engine.URLGetFile(Url("f.bin"), false, Work("other.name")));
  EXPECT_TRUE(ReadFile(Work("other.name")) == body);
}

TEST_F(TransferTest, NoContentLengthGivesExpectedSizeZero) {
  WriteFile(Root("n.bin"), Big(50000));
  int64_t lastSize = -1, lastPos = 0;
  Engine.OnFileProgress = [&](const std::string&, int64_t pos, int64_t size) {
    lastPos = pos;
    lastSize = size;
  };
  ASSERT_TRUE(Engine.URLGetFile(FServer->Url("/nolength/n.bin"), false, WorkDir() + "/"));
  EXPECT_EQ(lastSize, 0);
  EXPECT_EQ(lastPos, 50000);
  EXPECT_TRUE(ReadFile(Work("n.bin")) == Big(50000));
}

// A cut download, a cancel in the first block and a file that cannot take its name all fail,
// leave the old target as it was and leave no part file behind.
TEST_F(TransferTest, FailedDownloadsLeaveTheTargetAlone) {
  WriteFile(Root("c.bin"), Big(200000));
  WriteFile(Work("c.bin"), "old");
  EXPECT_FALSE(Engine.URLGetFile(FServer->Url("/cut/c.bin"), false, WorkDir() + "/"));
  EXPECT_EQ(ReadFile(Work("c.bin")), "old");
  Engine.OnProgressCancel = [](bool& cancel) { cancel = true; };
  EXPECT_FALSE(Engine.URLGetFile(FServer->Url("/drip/50/c.bin"), false, WorkDir() + "/"));
  EXPECT_EQ(ReadFile(Work("c.bin")), "old");
  Engine.OnProgressCancel = nullptr;
  ::mkdir(Work("busy.bin").c_str(), 0755);  // a directory holds the name
  WriteFile(Work("busy.bin/inside"), "");
  WriteFile(Root("busy.bin"), "new");
  EXPECT_FALSE(Engine.URLGetFile(Url("busy.bin"), false, WorkDir() + "/"));
  EXPECT_TRUE(NoPartFilesIn(WorkDir()));
  EXPECT_TRUE(Lines.size() == 3) << AllLines();  // three 915 lines, no message of their own
}

TEST_F(TransferTest, EntryFailuresAre946AndClearTheRestart) {
  WriteFile(Root("app_new"), "new program");
  WriteFile(Root("busy.bin"), "new");
  ::mkdir(Work("busy.bin").c_str(), 0755);
  WriteFile(Work("busy.bin/inside"), "");
  Serve("u.inf", "[update]\n[application]\nappupdate=1\nappname=" + Work("app") +
                     "\nappcomps=app_new\n[files]\ncount=2\n[file1]\nurl=" + Url("app_new") +
                     "\ntargetdir=" + WorkDir() + "\n[file2]\nurl=" + Url("busy.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  Engine.UpdateUpdate = nuuSilent;
  bool restartAsked = false;
  Engine.OnAppRestart = [&](bool&) { restartAsked = true; };
  Engine.DoUpdate();
  EXPECT_TRUE(Engine.RestartNeeded());
  EXPECT_FALSE(Engine.RestartWanted());
  EXPECT_FALSE(restartAsked);
  EXPECT_EQ(Lines[Lines.size() - 3], "[2 - 0] Cannot download update file : " + Url("busy.bin"));
}

TEST_F(TransferTest, CompressedFilesExpandOrStay) {
  WriteFile(FWork.File("tool.dat"), Big(40000));
  ASSERT_TRUE(Shell(
      WorkDir(), "mscompress tool.dat && mv tool.dat_ " + Root("tool.dat_") + " && rm tool.dat"));
  const std::string packed = ReadFile(Root("tool.dat_"));
  ASSERT_TRUE(Engine.URLGetFile(Url("tool.dat_"), true, WorkDir() + "/"));
  EXPECT_TRUE(ReadFile(Work("tool.dat")) == Big(40000));
  EXPECT_FALSE(Exists(Work("tool.dat_")));
  // A compressed file that does not expand is kept: it is the only copy.
  WriteFile(Root("bad.da_"), packed.substr(0, packed.size() / 3));
  EXPECT_FALSE(Engine.URLGetFile(Url("bad.da_"), true, WorkDir() + "/"));
  EXPECT_TRUE(Exists(Work("bad.da_")));
  EXPECT_FALSE(Exists(Work("bad.dat")));
  // ".CAB" names are never LZ-expanded.
  WriteFile(Root("x.cab"), packed);
  EXPECT_TRUE(Engine.URLGetFile(Url("x.cab"), true, WorkDir() + "/"));
  EXPECT_TRUE(ReadFile(Work("x.cab")) == packed);
}

TEST_F(TransferTest, Sha256MustMatchBeforeAnythingElse) {
  WriteFile(Root("s.bin"), "checked bytes");
  WriteFile(Work("s.bin"), "old");
  const std::string good = FileSha256Hex(Root("s.bin"));
  ASSERT_EQ(good.size(), 64u);
  EXPECT_FALSE(Engine.URLGetFile(Url("s.bin"), false, WorkDir() + "/", std::string(64, 'a')));
  EXPECT_EQ(ReadFile(Work("s.bin")), "old");
  EXPECT_TRUE(NoPartFilesIn(WorkDir()));
  std::string upper = good;
  for (char& c : upper) c = static_cast<char>(std::toupper(c));
  EXPECT_TRUE(Engine.URLGetFile(Url("s.bin"), false, WorkDir() + "/", upper));
  EXPECT_EQ(ReadFile(Work("s.bin")), "checked bytes");
  // In a run: a mismatch is a failed entry.
  Serve("u.inf", "[update]\n[files]\ncount=1\n[file1]\nurl=" + Url("s.bin") +
                     "\ntargetdir=" + FTmp.Path() + "\nsha256=" + std::string(64, '0') + "\n");
  Engine.UpdateUpdate = nuuSilent;
  Engine.DoUpdate();
  EXPECT_EQ(Ids[Ids.size() - 3], 946) << AllLines();
  EXPECT_FALSE(Exists(FTmp.File("s.bin")));
}

TEST_F(TransferTest, CabinetsAreUnpackedUnlessComponents) {
  WriteFile(FWork.File("in1.txt"), "first");
  ASSERT_TRUE(Shell(WorkDir(), "gcab -c -z " + Root("pack.cab") + " in1.txt && rm in1.txt"));
  std::string bad = ReadFile(Root("pack.cab"));
  bad.replace(bad.find("in1.txt"), 3, "../");
  WriteFile(Root("evil.cab"), bad);
  WriteFile(Root("comp.cab"), ReadFile(Root("pack.cab")));
  const std::string target = FTmp.File("t");
  Serve("u.inf",
        "[update]\n[application]\nappcomps=comp.cab\n[files]\ncount=3\n"
        "[file1]\nurl=" +
            Url("pack.cab") + "\ntargetdir=" + target + "\n[file2]\nurl=" + Url("evil.cab") +
            "\ntargetdir=" + target + "\n[file3]\nurl=" + Url("comp.cab") +
            "\ntargetdir=" + target + "\n");
  Engine.UpdateUpdate = nuuSilent;
  Engine.ExtractCAB = true;
  Engine.DoUpdate();
  EXPECT_EQ(ReadFile(target + "/in1.txt"), "first");
  EXPECT_FALSE(Exists(target + "/pack.cab"));
  EXPECT_TRUE(Exists(target + "/evil.cab"));  // refused, kept and reported
  EXPECT_FALSE(Exists(FTmp.File("in1.txt")));
  EXPECT_NE(AllLines().find("[8 - 0] Error decompressing CAB file : " + target + "/evil.cab"),
            std::string::npos)
      << AllLines();
  EXPECT_TRUE(Exists(target + "/comp.cab"));  // a component is left for the updater
  EXPECT_TRUE(Engine.RestartNeeded());
}

TEST_F(TransferTest, FileModeCopies) {
  Engine.UpdateType = fileUpdate;
  WriteFile(Work("src.bin"), Big(40000));
  std::vector<int64_t> blocks;
  Engine.OnFileProgress = [&](const std::string& name, int64_t pos, int64_t) {
    EXPECT_EQ(name, Work("src.bin"));
    blocks.push_back(pos);
  };
  EXPECT_TRUE(Engine.FileGetFile(Work("src.bin"), Work("dst.bin")));
  EXPECT_EQ(blocks, (std::vector<int64_t>{16384, 32768, 40000}));
  EXPECT_TRUE(ReadFile(Work("dst.bin")) == Big(40000));
  EXPECT_FALSE(Engine.FileGetFile(Work("src.bin"), Work("src.bin")));
  EXPECT_FALSE(Engine.FileGetFile(Work("none.bin"), Work("dst.bin")));
  EXPECT_FALSE(Engine.FileGetFile(WorkDir(), Work("dst.bin")));
  Engine.OnProgressCancel = [](bool& c) { c = true; };
  WriteFile(Work("dst.bin"), "old");
  EXPECT_FALSE(Engine.FileGetFile(Work("src.bin"), Work("dst.bin")));
  EXPECT_EQ(ReadFile(Work("dst.bin")), "old");
  EXPECT_TRUE(NoPartFilesIn(WorkDir()));
  EXPECT_EQ(Ids, (std::vector<int>{912, 913, 914})) << AllLines();
  // A whole run in file mode: no connection lines, and no closing line.
  Engine.OnProgressCancel = nullptr;
  Engine.OnFileProgress = nullptr;
  Ids.clear();
  const std::string control = "[update]\n[files]\ncount=1\n[file1]\nurl=" + Work("src.bin") +
                              "\ntargetdir=" + FTmp.File("out") + "\n";
  WriteFile(Work("u.inf"), control);
  WriteFile(Work("u.inf.minisig"), Signature(control, "file:u.inf"));
  Engine.URL = Work("u.inf");
  Engine.UpdateUpdate = nuuSilent;
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (std::vector<int>{915, 926, 929, 943, 945, 915, 948})) << AllLines();
  EXPECT_TRUE(ReadFile(FTmp.File("out/src.bin")) == Big(40000));
  EXPECT_FALSE(test::Shell(FTmp.Path(), "ls | grep -q u.inf"));  // nor a copy of the control file
}

TEST_F(TransferTest, FtpModeWithDirectory) {
  ASSERT_EQ(::mkdir(Root("pub").c_str(), 0755), 0);
  test::TFtpServer ftp(FRoot.Path());
  ASSERT_TRUE(ftp.Ok()) << "pyftpdlib did not start";
  WriteFile(Root("pub/f.bin"), Big(20000));
  ServeSigned("pub/u.inf",
              "[update]\n[files]\ncount=1\n[file1]\nurl=f.bin\ntargetdir=" + WorkDir() + "\n");
  Engine.UpdateType = ftpUpdate;
  Engine.Host = "127.0.0.1";
  Engine.Port = ftp.Port();
  Engine.FTPPassive = true;
  Engine.FTPDirectory = "pub";
  Engine.URL = "u.inf";
  Engine.UpdateUpdate = nuuSilent;
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (std::vector<int>{918, 921, 923, 915, 926, 929, 943, 945, 915, 948, 949}))
      << AllLines();
  EXPECT_TRUE(ReadFile(Work("f.bin")) == Big(20000));
  // A missing file is 917; a host nobody listens on is an error line and 924.
  Lines.clear();
  EXPECT_FALSE(Engine.URLGetFile("gone.bin", false, WorkDir() + "/"));
  EXPECT_EQ(Lines.back(), "[2 - 1] File not found : gone.bin (no such file)");
  Ids.clear();
  Lines.clear();
  Engine.Port = test::FreeLoopbackPort();
  Engine.DoUpdate();
  ASSERT_EQ(Ids.size(), 6u) << AllLines();
  EXPECT_EQ(Lines[3].substr(0, 12), "[1 - 12029] ") << AllLines();
  EXPECT_EQ(Lines[4], "[1 - 0] Cannot connect to FTP host : 127.0.0.1");
  EXPECT_EQ(Lines[5], "[3 - 0] Closed Internet connection");
}

}  // namespace
}  // namespace lw
