// Whole update runs against a real HTTP server: the status sequences and the decisions.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "EngineFixture.h"

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::TEngineFixture;
using test::WriteFile;
using TIds = std::vector<int>;

using RunTest = TEngineFixture;

TEST_F(RunTest, NoConnectionStopsAfterTheFirstLine) {
  Engine.ConnectedCheck = [] { return false; };
  Serve("u.inf", "[update]\n");
  Engine.DoUpdate();
  EXPECT_EQ(Lines, std::vector<std::string>{"[3 - 0] Checking for Internet connection"});
  // Dialling modes: the system has no dialling functions, which counts as a dial.
  Lines.clear();
  Engine.UpdateConnect = nucConnectSilentHangup;
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 918, 920, 921, 915, 926, 929, 948, 949})) << AllLines();
}

TEST_F(RunTest, ControlFileNotFound) {
  Engine.URL = Url("missing.inf");
  Engine.DoUpdate();
  EXPECT_EQ(
      Lines,
      (std::vector<std::string>{
          "[3 - 0] Checking for Internet connection", "[3 - 0] Found open Internet connection",
          "[3 - 0] Download : " + Url("missing.inf"), "[6 - 404] Http status : 404",
          "[2 - 0] Update control file not found", "[3 - 0] Closed Internet connection"}));
}

TEST_F(RunTest, NoCriterionWithFileListDownloadsAndTheCopyIsRemoved) {
  WriteFile(Root("a.bin"), "payload A");
  Serve("u.inf", "[update]\n[files]\ncount=1\n[file1]\nurl=" + Url("a.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  Engine.UpdateUpdate = nuuSilent;
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 943, 945, 915, 948, 949})) << AllLines();
  EXPECT_EQ(ReadFile(Work("a.bin")), "payload A");
  EXPECT_FALSE(Exists(FTmp.File("u.inf")));  // the local copy goes at the end of the run
}

TEST_F(RunTest, SignatureComparedWithLetterCase) {
  Engine.SignatureCheck = true;
  Serve("u.inf", "[update]\nsignature=netupdate\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 927, 949})) << AllLines();
  EXPECT_EQ(Lines[4], "[11 - 4] Invalid signature in update control file");
  Ids.clear();
  Serve("u.inf", "[update]\nsignature=NetUpdate\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 948, 949})) << AllLines();
}

TEST_F(RunTest, VersionCriteriaDecide) {
  WriteFile(Work("local.exe"), test::VersionedBytes("1.2.0.7"));
  Serve("u.inf", "[update]\nnewversion=1.2.0.7\nlocalversion=" + Work("local.exe") + "\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 933, 930, 949})) << AllLines();
  EXPECT_EQ(Lines[5], "[4 - 0] No new version found");
  Ids.clear();
  Lines.clear();
  Serve("u.inf", "[update]\nnewversion=1.2.0.8\nlocalversion=" + Work("local.exe") + "\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 933, 929, 948, 949})) << AllLines();
  EXPECT_EQ(Lines[5], "[5 - 0] New version found : 1.2.0.8");
  Ids.clear();
  Serve("u.inf", "[update]\nnewsize=5\nnewchecksum=3\nlocalversion=" + Work("local.exe") + "\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 931, 929, 948, 949})) << AllLines();
}

TEST_F(RunTest, PromptOnceAskedOnceAndNoStillRunsRunafter) {
  WriteFile(Root("a.bin"), "A");
  WriteFile(Root("b.bin"), "B");
  Serve("u.inf", "[update]\n[action]\nrunafter=touch " + Work("after") +
                     "\n[files]\ncount=2\n[file1]\nurl=" + Url("a.bin") +
                     "\ntargetdir=" + WorkDir() + "\n[file2]\nurl=" + Url("b.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  Answer = false;
  Engine.DoUpdate();
  EXPECT_EQ(Questions, std::vector<std::string>{"Download update files ?"});
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 943, 945, 948, 949})) << AllLines();
  EXPECT_FALSE(Exists(Work("a.bin")));
  EXPECT_FALSE(Exists(Work("b.bin")));
  for (int i = 0; i < 100 && !Exists(Work("after")); ++i) ::usleep(20000);
  EXPECT_TRUE(Exists(Work("after")));
  // Yes once: both files, one question.
  Questions.clear();
  Answer = true;
  Engine.DoUpdate();
  EXPECT_EQ(Questions.size(), 1u);
  EXPECT_TRUE(Exists(Work("a.bin")) && Exists(Work("b.bin")));
  // Prompt for each: the question names the file.
  Questions.clear();
  Engine.UpdateUpdate = nuuPromptAll;
  Answer = false;
  Engine.DoUpdate();
  EXPECT_EQ(Questions, (std::vector<std::string>{"Download update file : a.bin",
                                                 "Download update file : b.bin"}));
}

TEST_F(RunTest, DateUpdateStoredBeforeDownloadsFail) {
  Engine.LastURLEntry = {true, "Software\\Ledgerwake", "Updates"};
  Serve("u.inf", "[update]\ndate=31/12/2001\n[files]\ncount=1\n[file1]\nurl=" + Url("gone.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  Engine.UpdateUpdate = nuuSilent;
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 929, 943, 945, 915, 916, 946, 948, 949}))
      << AllLines();
  EXPECT_EQ(Engine.UpdateDateGet(), (TUpdateDate{2001, 12, 31}));
  Ids.clear();
  Engine.DoUpdate();  // the same date is no longer new
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 930, 949})) << AllLines();
  Ids.clear();
  Serve("u.inf", "[update]\ndate=2001-12-31\n");  // not in the format: no new version
  Engine.LastURLEntry = {};
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 930, 949})) << AllLines();
}

TEST_F(RunTest, RedirectionRememberedOnlyWithPersistence) {
  Serve("u.inf", "[update]\n[action]\nupdateURL=" + Url("next.inf") + "\n");
  Engine.LastURLEntry = {false, "K", "S"};
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 941, 948, 949})) << AllLines();
  EXPECT_FALSE(Exists(TNetUpdate::RememberFile()));
  EXPECT_EQ(Engine.URLGet(), "");
  // With persistence the next run fetches the redirected file.
  Engine.LastURLEntry.Save = true;
  Engine.DoUpdate();
  EXPECT_EQ(Engine.URLGet(), Url("next.inf"));
  Lines.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Lines[2], "[3 - 0] Download : " + Url("next.inf"));
}

TEST_F(RunTest, QueryMessageAndDialogs) {
  WriteFile(Root("news.txt"), "What is new");
  WriteFile(Root("eula.txt"), "Licence text");
  Serve("u.inf",
        "[update]\n[application]\nappupdate=1\nappname=/opt/My App/app\n"
        "[action]\nmsg=Line one\\nLine two\nquery=Go on?\n"
        "[whatsnew]\nfile=" +
            Url("news.txt") + "\ncaption=New\n[eula]\nfile=" + Url("eula.txt") +
            "\naccept=Agreed\n");
  std::vector<std::string> messages;
  Engine.OnShowMessage = [&](const std::string& m, bool) { messages.push_back(m); };
  TWhatsNewDialog seenNews;
  TEulaDialog seenEula;
  Engine.OnWhatsNewDialog = [&](const TWhatsNewDialog& d) {
    seenNews = d;
    return true;
  };
  bool acceptEula = false;
  Engine.OnEulaDialog = [&](const TEulaDialog& d) {
    seenEula = d;
    return acceptEula;
  };
  Engine.DoUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{"Line one\rLine two"});
  EXPECT_EQ(Questions, std::vector<std::string>{"Go on?"});
  EXPECT_EQ(seenNews.Text, "What is new");
  EXPECT_EQ(seenNews.Caption, "New");
  EXPECT_EQ(seenNews.OkCaption, "Ok");
  EXPECT_EQ(seenEula.Text, "Licence text");
  EXPECT_EQ(seenEula.AcceptCaption, "Agreed");
  // The decline choice has its own key (`decline`): setting `accept` leaves it alone.
  EXPECT_EQ(seenEula.DeclineCaption, "I do not accept");
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 934, 936, 937, 915, 939, 915, 940, 949}))
      << AllLines();
  EXPECT_FALSE(Engine.RestartWanted());
  EXPECT_EQ(Engine.AppName(), "\"/opt/My App/app\"");
  EXPECT_FALSE(Exists("./whatsnew.txt"));
  // "No" to the query ends the run at once.
  Ids.clear();
  Answer = false;
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 934, 936, 949})) << AllLines();
}

TEST_F(RunTest, CustomEventsAndFileSelection) {
  WriteFile(Root("a.bin"), "A");
  WriteFile(Root("b.bin"), "B");
  Serve("u.inf",
        "[update]\n[custom]\nvalidatemsg=vm\nvalidateparam=vp\nprocessmsg=pm\n"
        "[files]\ncount=2\n[file1]\ndescr=A;first%CR%entry\nurl=" +
            Url("a.bin") + "\ntargetdir=" + WorkDir() + "\ncustomversion=7\n" +
            "[file2]\ndescr=B;second\nurl=" + Url("b.bin") + "\ntargetdir=" + WorkDir() + "\n");
  Engine.UpdateUpdate = nuuSilent;
  std::string validated, processed;
  Engine.OnCustomValidate = [&](const std::string& m, const std::string& p, bool& allow) {
    validated = m + "/" + p;
    allow = true;
  };
  Engine.OnCustomProcess = [&](const std::string& m, const std::string& p) {
    processed = m + "/" + p;
  };
  std::vector<std::string> offered;
  Engine.OnGetFileList = [&](std::vector<std::string>& list) {
    offered = list;
    list[1].clear();  // the user leaves the second entry out
  };
  std::string checked;
  Engine.OnFileVersionCheck = [&](const std::string& nv, const std::string&, bool& isNew) {
    checked = nv;
    isNew = true;
  };
  std::vector<std::string> downloaded;
  Engine.OnFileDownloaded = [&](const std::string& f) { downloaded.push_back(f); };
  Engine.DoUpdate();
  EXPECT_EQ(validated, "vm/vp");
  EXPECT_EQ(processed, "pm/");
  EXPECT_EQ(offered, (std::vector<std::string>{"A;first%CR%entry", "B;second"}));
  EXPECT_EQ(checked, "7");
  EXPECT_TRUE(Exists(Work("a.bin")));
  EXPECT_FALSE(Exists(Work("b.bin")));
  ASSERT_EQ(downloaded.size(), 2u);  // the control file counts too
  EXPECT_EQ(downloaded[1], Work("a.bin"));
  // A refused validation ends the run.
  Ids.clear();
  Engine.OnCustomValidate = [](const std::string&, const std::string&, bool& allow) {
    allow = false;
  };
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 949})) << AllLines();
}

TEST_F(RunTest, CountThatIsNoNumberReachesTheOwner) {
  Serve("u.inf", "[update]\n[files]\ncount=many\n");
  EXPECT_THROW(Engine.DoUpdate(), std::runtime_error);
}

TEST_F(RunTest, ProxyUrlAndUrlToFile) {
  EXPECT_EQ(TNetUpdate::MakeProxyUrl("HTTP://host/x", "u", "p"), "http://u:p@host/x");
  EXPECT_EQ(TNetUpdate::MakeProxyUrl("http://host/x", "", "p"), "http://host/x");
  EXPECT_EQ(TNetUpdate::MakeProxyUrl("ftp://host/x", "u", "p"), "ftp://host/x");
  EXPECT_EQ(TNetUpdate::URLtoFile("http://h/a/b\\c.cab"), "c.cab");
}

TEST_F(RunTest, PostAnswerCanEndTheRun) {
  Serve("u.inf", "[update]\ndate=01/01/2010\n");
  Engine.PostUpdateInfo.Enabled = true;
  Engine.PostUpdateInfo.Server = "127.0.0.1:" + std::to_string(FServer->Port());
  Engine.PostUpdateInfo.Action = "/echo";
  Engine.PostUpdateInfo.Data = "product=lw&version=2";
  Engine.OnProcessPostResult = [](bool& allow) { allow = false; };
  Engine.DoUpdate();
  EXPECT_NE(Engine.PostUpdateInfo.PostResult.find("POST /echo"), std::string::npos);
  EXPECT_NE(Engine.PostUpdateInfo.PostResult.find("product=lw&version=2"), std::string::npos);
  EXPECT_NE(Engine.PostUpdateInfo.PostResult.find("TNetUpdate"), std::string::npos);
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 929, 949})) << AllLines();
}

// The worker-thread run: the statuses come from the worker, the end on the owner's thread.
TEST_F(RunTest, ThreadRunEndsOnTheOwnersThread) {
  Serve("u.inf", "[update]\n");
  std::mutex lock;
  std::condition_variable posted;
  std::vector<std::function<void()>> queue;
  Engine.OnSynchronize = [&](std::function<void()> f) {
    std::lock_guard<std::mutex> g(lock);
    queue.push_back(std::move(f));
    posted.notify_one();
  };
  std::thread::id doneOn;
  bool flagDuringRun = false;
  Engine.OnStatus = [&](const std::string&, int, int) { flagDuringRun = Engine.RunningInThread(); };
  Engine.OnThreadUpdateDone = [&] { doneOn = std::this_thread::get_id(); };
  Engine.DoThreadUpdate();
  std::function<void()> done;
  {
    std::unique_lock<std::mutex> g(lock);
    ASSERT_TRUE(posted.wait_for(g, std::chrono::seconds(20), [&] { return !queue.empty(); }));
    done = queue.front();
  }
  done();
  Engine.WaitForThread();
  EXPECT_TRUE(flagDuringRun);
  EXPECT_EQ(doneOn, std::this_thread::get_id());
  EXPECT_FALSE(Engine.RunningInThread());
}

}  // namespace
}  // namespace lw
