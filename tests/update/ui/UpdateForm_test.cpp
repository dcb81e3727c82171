// The wizard's flows against a real HTTP server on 127.0.0.1: what the user sees on each page
// and what ends up on disk.
#include <dirent.h>

#include "DownloadAnimation.h"
#include "LinkLabel.h"
#include "WizardFixture.h"

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::WriteFile;
using TLines = std::vector<std::string>;

using WizardTest = test::TWizardFixture;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(WizardTest, WindowAndWelcomePage) {
  Serve("[update]\n");
  Show();
  EXPECT_EQ(Form->windowTitle(), "Ledgerwake - Updatewarden");
  EXPECT_EQ(Form->size(), QSize(439, 287));
  EXPECT_FALSE(Form->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(Form->Page(), TUpdateForm::pgWelcome);
  EXPECT_EQ(Form->TitlePanel->text(), "Welcome");
  EXPECT_EQ(Form->NextBtn->text(), "&Next >>");
  EXPECT_TRUE(Form->NextBtn->isEnabled());
  EXPECT_FALSE(Form->PriorBtn->isEnabled());
  EXPECT_EQ(Form->CancelBtn->text(), "&Cancel");
  EXPECT_EQ(Form->ImageUrl->toolTip(), "TALVERN Updatewarden");
  EXPECT_EQ(Form->ImageUrl->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Form->StartLabel3->text(), "\nTo start click the 'Next >>' button.");
  // The engine is set up for this wizard whatever it held before.
  EXPECT_EQ(Form->NetUpdate.UpdateType, httpUpdate);
  EXPECT_EQ(Form->NetUpdate.UpdateUpdate, nuuSilent);
  EXPECT_EQ(Form->NetUpdate.URL, Url("u.inf"));
  EXPECT_FALSE(Form->NetUpdate.LastURLEntry.Save);
  // Closing is refused anywhere but on the Complete page.
  Form->close();
  EXPECT_TRUE(Form->isVisible());
}

// Whatever font the desktop gives, no line of a page's fixed text is cut off at the right.
TEST_F(WizardTest, FixedPageTextsFitTheirLabels) {
  const QFont before = QApplication::font();
  for (const double points : {9.0, 11.0}) {
    QFont font = QApplication::font();
    font.setPointSizeF(points);
    QApplication::setFont(font);
    TUpdateForm form;
    form.show();
    QApplication::processEvents();
    for (QLabel* label : {form.StartLabel1, form.StartLabel2, form.StartLabel3, form.ServerLabel,
                          form.ModuleLabel, form.DownloadLabel1, form.LocalLabel}) {
      const QFontMetrics metrics(label->font());
      for (const QString& line : label->text().split(QLatin1Char('\n')))
        EXPECT_TRUE(label->wordWrap() || metrics.horizontalAdvance(line) <= label->width())
            << points << " pt, " << label->objectName().toStdString() << ": " << line.toStdString();
    }
  }
  QApplication::setFont(before);
}

TEST_F(WizardTest, NoConnectionShowsOneLineAndCancelLeadsToComplete) {
  Form->NetUpdate.ConnectedCheck = [] { return false; };
  Serve("[update]\n");
  Show();
  RunWizard();
  EXPECT_EQ(MemoLines(), TLines{"[3 - 0] Checking for Internet connection"});
  EXPECT_EQ(Form->Page(), TUpdateForm::pgRetrieve);
  const std::string failure = "No update information came from the server.";
  EXPECT_EQ(Form->FailureLabel->text().toStdString(), failure);
  EXPECT_TRUE(Form->NextBtn->isEnabled());
  EXPECT_FALSE(Form->PriorBtn->isEnabled());
  // Escape is Cancel.
  QTest::keyClick(Form.get(), Qt::Key_Escape);
  EXPECT_EQ(Form->Page(), TUpdateForm::pgComplete);
  EXPECT_EQ(Form->TitlePanel->text(), "Updatewarden Complete");
  EXPECT_EQ(Finish(), "\nUpdatewarden did not complete successfully.\n\n" + failure +
                          "\n\nClick the 'Finish' button to quit Updatewarden.");
  EXPECT_EQ(Form->CancelBtn->text(), "&Finish");
  EXPECT_FALSE(Form->NextBtn->isVisible());
  EXPECT_FALSE(Form->PriorBtn->isVisible());
  QTest::mouseClick(Form->CancelBtn, Qt::LeftButton);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(WizardTest, ControlFileNotFoundSaysSoAndNextLeadsToComplete) {
  Form->Settings.ControlUrl = Url("missing.inf");
  Show();
  RunWizard();
  const TLines lines = MemoLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(std::find(lines.begin(), lines.end(), "[6 - 404] Http status : 404") != lines.end());
  EXPECT_TRUE(std::find(lines.begin(), lines.end(), "[2 - 0] Update control file not found") !=
              lines.end());
  EXPECT_EQ(Form->Log(), "\r\nUpdate control file not found");
  EXPECT_EQ(Form->Page(), TUpdateForm::pgRetrieve);
  EXPECT_EQ(Form->FailureLabel->text(), "No update information came from the server.");
  QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
  EXPECT_TRUE(Contains(Finish(),
                       "did not complete successfully.\n\nUpdate control file not "
                       "found\nNo update information came from the server.\n"));
}

// An installed copy: an update of its program directory ends the wizard on the Complete page
// with the reason, before anything is asked, offered or downloaded.
TEST_F(WizardTest, AnInstalledCopyEndsOnCompleteWithThePackageManager) {
  const std::string bin = InstalledBin();
  Form->Settings.Layout = DecideLayout(bin);
  WriteFile(Root("app"), "new program");
  Serve("[update]\n[action]\nquery=Continue?\n[files]\ncount=1\n" +
        FileEntry(1, "App;new", Url("app"), "{APP}\\"));
  std::vector<int> pages;
  QObject::connect(Form.get(), &TUpdateForm::PageShown, [&](int page) { pages.push_back(page); });
  Show();
  RunWizard();
  ASSERT_TRUE(WaitUntil([&] { return Form->Page() == TUpdateForm::pgComplete; }));
  const std::string reason = "This update would change files in " + bin +
                             ": an installed copy is updated by the system's package manager";
  EXPECT_EQ(Finish(), "\nUpdatewarden did not complete successfully.\n\n" + reason +
                          ".\n\nClick the 'Finish' button to quit Updatewarden.");
  const TLines memo = MemoLines();
  EXPECT_TRUE(std::find(memo.begin(), memo.end(), "[16 - 0] " + reason) != memo.end());
  EXPECT_EQ(pages, (std::vector<int>{TUpdateForm::pgWelcome, TUpdateForm::pgRetrieve,
                                     TUpdateForm::pgComplete}));
  EXPECT_TRUE(Messages.empty());
  EXPECT_FALSE(Exists(bin + "app"));
  EXPECT_EQ(Form->CancelBtn->text(), "&Finish");
  QTest::mouseClick(Form->CancelBtn, Qt::LeftButton);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(WizardTest, NoUpdateGoesStraightToCompleteWithSuccess) {
  Serve("[update]\ndate=01/01/1975\n");
  Show();
  RunWizard();
  EXPECT_EQ(Form->Page(), TUpdateForm::pgComplete);
  EXPECT_EQ(Finish(),
            "\nUpdatewarden completeed successfully.\n\nNo updates are available."
            "\n\nClick the 'Finish' button to quit Updatewarden.");
  EXPECT_TRUE(Contains(MemoLines().back(), "Closed Internet connection"));
  QTest::mouseClick(Form->CancelBtn, Qt::LeftButton);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(WizardTest, ThreeEntriesChooseTwoAndOnlyThoseDownload) {
  for (const char* n : {"a.bin", "b.bin", "c.bin"}) WriteFile(Root(n), std::string(20000, *n));
  Serve("[update]\n[files]\ncount=3\n" +
        FileEntry(1, "Alpha;First fix%CR%Second line", Url("a.bin"), WorkDir()) +
        FileEntry(2, "Beta;Fixes%CRMore fixes", Url("b.bin"), WorkDir()) +
        FileEntry(3, "Gamma;Third", Url("c.bin"), WorkDir()));
  std::vector<QString> progress;
  auto shown = Form->NetUpdate.OnFileProgress;
  Form->NetUpdate.OnFileProgress = [&](const std::string& f, int64_t pos, int64_t size) {
    shown(f, pos, size);
    if (Form->Page() == TUpdateForm::pgDownload) progress.push_back(Form->ProgressLabel->text());
  };
  Show();
  bool checked = false;
  WhenPage(TUpdateForm::pgSelect, [&] {
    EXPECT_EQ(Form->TitlePanel->text(), "Select Updates");
    ASSERT_EQ(Form->Updates().size(), 3u);
    EXPECT_EQ(Form->LocalTreeView->topLevelItem(0)->text(0), "Updates");
    EXPECT_TRUE(Form->LocalTreeView->topLevelItem(0)->isExpanded());
    EXPECT_EQ(Form->UpdateNode(0)->text(0), "Alpha");
    for (const auto& u : Form->Updates()) EXPECT_FALSE(u->Selected);
    EXPECT_FALSE(Form->NextBtn->isEnabled());
    // A caption click highlights and describes, and chooses nothing.
    ClickCaption(0);
    EXPECT_EQ(Form->LocalTreeView->currentItem(), Form->UpdateNode(0));
    EXPECT_EQ(Form->InfoLabel->toPlainText(), "First fix\nSecond line");
    EXPECT_FALSE(Form->Updates()[0]->Selected);
    EXPECT_FALSE(Form->NextBtn->isEnabled());
    ClickCaption(1);
    EXPECT_EQ(Form->InfoLabel->toPlainText(), "Fixes%CRMore fixes");
    // The image toggles; Space toggles the highlighted entry.
    ClickImage(0);
    EXPECT_TRUE(Form->Updates()[0]->Selected);
    EXPECT_TRUE(Form->NextBtn->isEnabled());
    ClickImage(1);
    ClickImage(1);
    EXPECT_FALSE(Form->Updates()[1]->Selected);
    Form->LocalTreeView->setCurrentItem(Form->UpdateNode(2));
    QTest::keyClick(Form->LocalTreeView, Qt::Key_Space);
    EXPECT_TRUE(Form->Updates()[2]->Selected);
    checked = true;
    QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
  });
  RunWizard();
  EXPECT_TRUE(ScriptDone());
  EXPECT_TRUE(checked);
  EXPECT_EQ(Form->Page(), TUpdateForm::pgComplete);
  EXPECT_EQ(ReadFile(Work("a.bin")), std::string(20000, 'a'));
  EXPECT_FALSE(Exists(Work("b.bin")));
  EXPECT_EQ(ReadFile(Work("c.bin")), std::string(20000, 'c'));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), "Downloading file 1 of 2 file(s)");
  EXPECT_EQ(progress.back(), "Downloading file 2 of 2 file(s)");
  EXPECT_TRUE(Contains(Finish(), "completeed successfully"));
  // The tree no longer moves or toggles once the choice is made.
  ClickImage(1);
  EXPECT_FALSE(Form->Updates()[1]->Selected);
}

TEST_F(WizardTest, WizardVariablesExpandInEnginePaths) {
  Serve("[update]\n");
  Form->Variables.push_back("br2=unused");
  Show();
  EXPECT_EQ(Form->NetUpdate.ExpandPath("one<br>two"), "one\r\ntwo");
  EXPECT_EQ(Form->NetUpdate.ExpandPath("<prod_dupdateurl>"), Url("u.inf"));
  EXPECT_EQ(Form->NetUpdate.ExpandPath("<BR>"), "<BR>");  // names keep their letter case
  // A control file naming the configured address downloads from it.
  Serve("[update]\n[files]\ncount=1\n" + FileEntry(1, "Self;", "<prod_dupdateurl>", WorkDir()));
  Show();
  WhenPage(TUpdateForm::pgSelect, [&] {
    ClickImage(0);
    QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
  });
  RunWizard();
  EXPECT_TRUE(Contains(ReadFile(Work("u.inf")), "<prod_dupdateurl>"));
}

TEST_F(WizardTest, CancelDuringASlowDownloadKeepsTheOldFile) {
  WriteFile(Root("big.bin"), std::string(200 * 1024, 'n'));
  WriteFile(Work("big.bin"), "old contents");
  Serve("[update]\n[files]\ncount=1\n" +
        FileEntry(1, "Big;", FServer->Url("/drip/20/big.bin"), WorkDir()));
  Show();
  WhenPage(TUpdateForm::pgSelect, [&] {
    ClickImage(0);
    QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
  });
  When([&] { return Form->Page() == TUpdateForm::pgDownload && Form->ProgressBar->value() > 0; },
       [&] {
         EXPECT_EQ(Form->TitlePanel->text(), "Download Files");
         EXPECT_EQ(Form->LocalLabel->text(), "Downloading:");
         EXPECT_EQ(Form->ProgressLabel->text(), "Downloading file 1 of 1 file(s)");
         EXPECT_TRUE(Form->Animate->Playing());
         QTest::mouseClick(Form->CancelBtn, Qt::LeftButton);
       });
  RunWizard();
  EXPECT_TRUE(ScriptDone());
  EXPECT_EQ(Form->Page(), TUpdateForm::pgComplete);
  EXPECT_EQ(ReadFile(Work("big.bin")), "old contents");
  EXPECT_TRUE(Contains(Finish(), "did not complete successfully"));
  EXPECT_TRUE(Contains(Finish(), "Update process aborted by user."));
  EXPECT_EQ(std::system(("ls -a '" + WorkDir() + "' | grep -q NUPD").c_str()) == 0, false);
}

TEST_F(WizardTest, RestartUpdateAsksForFinishAndClosesTheApplication) {
  // A stand-in updater that only records its command line.
  const std::string updater = Work("fake-upd");
  WriteFile(updater, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + Work("args.txt") + "'\n");
  ::chmod(updater.c_str(), 0755);
  const int closed = RunRestartUpdate(updater, [&] {
    EXPECT_TRUE(Contains(Finish(), "completeed successfully"));
    EXPECT_TRUE(Contains(Finish(), "Click the 'Finish' button to restart your application."));
  });
  EXPECT_FALSE(Form->isVisible());
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(WaitUntil([&] { return Contains(ReadFile(Work("args.txt")), "app_new"); }));
}

// An updater that cannot be started: the application still closes, but not in silence.
TEST_F(WizardTest, AnUpdaterThatDoesNotStartIsShownBeforeTheApplicationCloses) {
  EXPECT_EQ(RunRestartUpdate(Work("no-such-updater")), 1);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Kind, TMessageKind::mkError);
  EXPECT_TRUE(Contains(Messages[0].Text.toStdString(),
                       "Failed to spawn updater process : " + Work("no-such-updater")))
      << Messages[0].Text.toStdString();
}

}  // namespace
}  // namespace lw
