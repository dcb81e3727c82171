// The news window and the proxy dialog on the offscreen platform, fetching from our loopback
// HTTP server (and tinyproxy) started by each test.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "DirectForm.h"
#include "FileText.h"
#include "GuiTestSupport.h"
#include "LinkOpener.h"
#include "LocalServers.h"
#include "ProxyForm.h"
#include "Transfer.h"

namespace lw::test {
namespace {

const char kServerNews[] =
    "Products\r\n\tNew release;notes.txt\r\n\tPrices;http://example.org/prices.htm\r\n"
    "\t\tdeep;x\r\n\tCommand;cmd1\r\nSupport\r\n\t;\r\n";

class NewsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteAll(FRoot.File("lwnews.inf"), kServerNews);
    WriteAll(FRoot.File("other.inf"), "Other\n\tItem;other.htm\n");
    for (int i = 0; i < 400; ++i) FSlow += "Line " + std::to_string(i) + "\n";
    WriteAll(FRoot.File("slow.inf"), FSlow);
    FServer = std::make_unique<THttpServer>(FRoot.Path());
    ASSERT_TRUE(FServer->Ok()) << "python3 http server did not start";
    TSharedDataOptions o = OptionsFor(FHome);
    o.Notifier = std::make_shared<TSilentNotifier>();
    FShared = std::make_unique<TSharedData>(o);
    ASSERT_TRUE(FShared->ErrorText().empty()) << FShared->ErrorText();
    NewsFile = FFiles.File("lwnews.inf");
    Set("news_url", FServer->Url("/files/lwnews.inf"));
    Set("news_file", NewsFile);
    SetLinkOpener([this](const QString& target) { Opened.push_back(target); });
  }
  void TearDown() override {
    delete FForm;
    SetLinkOpener(nullptr);
  }
  void Set(const char* key, const std::string& value) { FShared->Params().SetValue(key, value); }

  TDirectForm& Open() {
    FForm = new TDirectForm(nullptr, FShared.get());
    FForm->setAttribute(Qt::WA_DeleteOnClose, false);
    FForm->setWindowTitle("Ledgerwake News");
    FForm->show();
    return *FForm;
  }
  // Requests the server answered so far (this question not counted).
  int ServerRequests() {
    TTransferRequest r;
    r.Url = FServer->Url("/count");
    return std::stoi(TTransfer().Get(r).Body);
  }
  QStringList Captions() {
    QStringList out;
    for (QTreeWidgetItemIterator it(FForm->DirectTreeView); *it; ++it) out << (*it)->text(0);
    return out;
  }
  void ClickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
    QTreeWidgetItemIterator it(FForm->DirectTreeView);
    for (int i = 0; i < row; ++i) ++it;
    const QRect r = FForm->DirectTreeView->visualItemRect(*it);
    QTest::mouseClick(FForm->DirectTreeView->viewport(), button, {}, r.center());
  }

  TProgramHome FHome{20};
  TTempDir FRoot, FFiles;
  std::string FSlow;
  std::unique_ptr<THttpServer> FServer;
  std::unique_ptr<TSharedData> FShared;
  std::string NewsFile;
  QPointer<TDirectForm> FForm;
  QStringList Opened;
  TMessageLog Messages;
};

TEST_F(NewsWindowTest, NoNewsFileClosesTheWindowWithoutFetching) {
  Set("news_file", "");
  Open();
  ASSERT_TRUE(WaitUntil([&] { return !FForm->isVisible(); }, 5000));
  EXPECT_EQ(ServerRequests(), 0);
}

TEST_F(NewsWindowTest, ExistingFileIsShownWithoutFetching) {
  WriteAll(NewsFile, "Local\n\tOld;old.htm\n\t\td\xE9tail\n");  // 8-bit, not UTF-8
  Open();
  Pump(50);
  EXPECT_EQ(Captions(), (QStringList{"Local", "Old", "d\u00e9tail"}));
  EXPECT_EQ(FForm->StatusText(), QString());
  EXPECT_EQ(ServerRequests(), 0);
  // Every node expanded, the first one selected, no editing.
  EXPECT_TRUE(FForm->DirectTreeView->topLevelItem(0)->isExpanded());
  EXPECT_TRUE(FForm->DirectTreeView->topLevelItem(0)->child(0)->isExpanded());
  EXPECT_EQ(FForm->DirectTreeView->currentItem(), FForm->DirectTreeView->topLevelItem(0));
  EXPECT_EQ(FForm->DirectTreeView->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(FForm->DirectTreeView->indentation(), 19);
}

TEST_F(NewsWindowTest, MissingFileIsFetchedAndShown) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return FForm->DirectTreeView->topLevelItemCount() > 0; }));
  EXPECT_EQ(Captions(),
            (QStringList{"Products", "New release", "Prices", "deep;x", "Command", "Support", ""}));
  EXPECT_EQ(ReadAll(NewsFile), kServerNews);
  EXPECT_EQ(FForm->NewsLinks()[1], "notes.txt");
  EXPECT_TRUE(Messages.Messages().empty());
  EXPECT_TRUE(FForm->StatusText().startsWith("Updated ")) << FForm->StatusText().toStdString();
  EXPECT_EQ(FForm->RefreshBtn->shortcut(), QKeySequence("Alt+R"));  // registered and shown
  FForm->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(FForm));
  QTest::keyClick(FForm, Qt::Key_F5);
  EXPECT_EQ(ServerRequests(), 2);
}

TEST_F(NewsWindowTest, ClicksOpenOnlyNewsItemLinks) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return FForm->DirectTreeView->topLevelItemCount() > 0; }));
  ClickRow(0);  // heading
  ClickRow(3);  // depth 2
  ClickRow(4);  // a command link is never handed on
  ClickRow(6);  // an empty link
  EXPECT_TRUE(Opened.isEmpty()) << Opened.join(",").toStdString();
  ClickRow(1);
  ClickRow(2, Qt::RightButton);  // any button opens
  EXPECT_EQ(Opened, (QStringList{"notes.txt", "http://example.org/prices.htm"}));
  // Empty space below the nodes.
  QTest::mouseClick(FForm->DirectTreeView->viewport(), Qt::LeftButton, {},
                    QPoint(5, FForm->DirectTreeView->viewport()->height() - 3));
  EXPECT_EQ(Opened.size(), 2);
  for (auto [row, key] : {std::pair{1, Qt::Key_Return}, {0, Qt::Key_Enter}, {2, Qt::Key_Space}}) {
    QTreeWidgetItemIterator it(FForm->DirectTreeView);
    FForm->DirectTreeView->setCurrentItem(*(it += row));
    QTest::keyClick(FForm->DirectTreeView, key);
  }
  EXPECT_EQ(Opened.mid(2), (QStringList{"notes.txt", "http://example.org/prices.htm"}));
}

TEST_F(NewsWindowTest, RefreshFailuresKeepFileAndTreeSilently) {
  WriteAll(NewsFile, "Kept\n");
  TDirectForm& form = Open();
  Pump(20);
  WriteAll(FRoot.File("over.inf"), std::string(kNewsMaxBytes + 1, '\n'));
  for (auto [path, reason] : {std::pair{"/status/404", "HTTP status 404"},
                              {"/cut/lwnews.inf", "connection dropped"},
                              {"/files/over.inf", "the news is larger than 1 MiB"},
                              {"/nolength/over.inf", "the news is larger than 1 MiB"}}) {
    Set("news_url", FServer->Url(path));
    form.RefreshNewsActionExecute();
    EXPECT_EQ(Captions(), QStringList{"Kept"}) << path;
    EXPECT_EQ(ReadAll(NewsFile), "Kept\n") << path;
    EXPECT_TRUE(form.RefreshNewsAction->isEnabled());
    EXPECT_EQ(form.StatusText(), QStringLiteral("Refresh failed: ") + reason);
  }
  // A server that does not answer: the 4000 ms time-out ends it.
  Set("news_url", FServer->Url("/slow/8000/lwnews.inf"));
  QElapsedTimer clock;
  clock.start();
  form.RefreshNewsActionExecute();
  EXPECT_LT(clock.elapsed(), 7000);
  EXPECT_EQ(Captions(), QStringList{"Kept"});
  EXPECT_EQ(form.StatusText(), QStringLiteral("Refresh failed: no answer for 4 s"));
  EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(NewsWindowTest, WindowStaysResponsiveAndRefreshIsDisabledDuringAFetch) {
  WriteAll(NewsFile, "Old\n");
  TDirectForm& form = Open();
  Pump(20);
  Set("news_url", FServer->Url("/drip/50/slow.inf"));  // about 200 ms
  int ticks = 0;
  bool disabledWhileFetching = true;
  long longestGapMs = 0;
  QElapsedTimer gap;
  gap.start();
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    longestGapMs = std::max<long>(longestGapMs, gap.restart());
    if (form.Fetching() && form.RefreshNewsAction->isEnabled()) disabledWhileFetching = false;
    // A second press during the fetch must not start another one.
    if (form.Fetching()) form.RefreshNewsAction->trigger();
  });
  timer.start(5);
  form.RefreshNewsActionExecute();
  timer.stop();
  EXPECT_GE(ticks, 4);  // the pump runs every 20 ms at most, so about one tick per pump
  EXPECT_TRUE(disabledWhileFetching);
  EXPECT_TRUE(form.RefreshNewsAction->isEnabled());
  EXPECT_EQ(ReadAll(NewsFile), FSlow);
  EXPECT_EQ(FForm->DirectTreeView->topLevelItemCount(), 400);
  std::printf("longest UI stall during a fetch from a slow server: %ld ms\n", longestGapMs);
}

// The largest file, more lines than shown, 100,000 UTF-8 characters in its first line.
TEST_F(NewsWindowTest, ALargeFileIsShownWithoutFreezingTheWindow) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "\xC3\xA9";
  while (big.size() < kNewsMaxBytes - 20) big += "\nLine " + std::to_string(big.size());
  WriteAll(FRoot.File("big.inf"), big);
  Set("news_url", FServer->Url("/files/big.inf"));
  WriteAll(NewsFile, "Old\n");
  Open();
  long longestGapMs = 0;
  QElapsedTimer gap;
  QTimer timer;
  timer.callOnTimeout([&] { longestGapMs = std::max<long>(longestGapMs, gap.restart()); });
  gap.start();
  timer.start(5);
  FForm->RefreshNewsActionExecute();
  Pump(50);  // what the view left for its next paint
  EXPECT_LE(longestGapMs, 50);
  EXPECT_EQ(FForm->DirectTreeView->topLevelItemCount(), static_cast<int>(kNewsMaxNodes));
  EXPECT_EQ(FForm->DirectTreeView->topLevelItem(0)->text(0), QString(1024, QChar(0xE9)));
  EXPECT_TRUE(FForm->StatusText().endsWith("Only the first 5000 lines are shown"));
  delete FForm;  // the same file over the limit on disk: a note, no box
  WriteAll(NewsFile, big + std::string(30, 'x'));
  Open();
  EXPECT_TRUE(FForm->StatusText().endsWith("is larger than 1 MiB"));
  EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(NewsWindowTest, ClosingDuringAFetchCancelsIt) {
  WriteAll(NewsFile, "Old\n");
  TDirectForm& form = Open();
  Pump(20);
  Set("news_url", FServer->Url("/slow/8000/lwnews.inf"));
  QTimer::singleShot(100, &form, &QWidget::close);
  QElapsedTimer clock;
  clock.start();
  form.RefreshNewsActionExecute();
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(ReadAll(NewsFile), "Old\n");
}

TEST_F(NewsWindowTest, InvalidLevelInAnExistingFileIsReportedAndThePartialTreeShown) {
  WriteAll(NewsFile, "Head\n\tItem;i.htm\nNext\n\t\tToo deep\n");
  Open();
  Pump(50);
  ASSERT_EQ(Messages.Messages().size(), 1u);
  EXPECT_EQ(Messages.Messages()[0].Kind, TMessageKind::mkError);
  EXPECT_EQ(Messages.Messages()[0].Text, "Invalid level (2) for item \"Too deep\"");
  EXPECT_TRUE(FForm->isVisible());
  EXPECT_EQ(Captions(), (QStringList{"Head", "Item", "Next"}));
  // During a refresh the same file is silent.
  Messages.Clear();
  WriteAll(FRoot.File("lwnews.inf"), "Head\n\t\tToo deep\n");
  FForm->RefreshNewsActionExecute();
  EXPECT_TRUE(Messages.Messages().empty());
  EXPECT_EQ(Captions(), QStringList{"Head"});
}

TEST_F(NewsWindowTest, ProxyDialogStoresItsTextsOnOkOnly) {
  Set("app_proxyhost", "proxy.local");
  Set("app_proxyport", "8080");
  {
    TProxyForm dialog(nullptr, FShared.get());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Ledgerwake - Proxy Settings");
    EXPECT_EQ(dialog.HostEdit->text(), "proxy.local");
    EXPECT_EQ(dialog.PortEdit->text(), "8080");
    EXPECT_TRUE(dialog.BitBtn1->isDefault());
    dialog.HostEdit->setText("other");
    dialog.close();  // the title bar's close box: nothing stored
  }
  EXPECT_EQ(FShared->Params().Value("app_proxyhost"), "proxy.local");
  {
    TProxyForm dialog(nullptr, FShared.get());
    dialog.show();
    dialog.HostEdit->setText(" spaced ");
    dialog.PortEdit->setText("abc");
    QTest::keyClick(dialog.PortEdit, Qt::Key_Return);  // Enter presses OK
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  EXPECT_EQ(FShared->Params().Value("app_proxyhost"), " spaced ");
  EXPECT_EQ(FShared->Params().Value("app_proxyport"), "abc");
  {
    TProxyForm dialog(nullptr, FShared.get());
    dialog.show();
    EXPECT_EQ(dialog.HostEdit->text(), " spaced ");
    dialog.HostEdit->clear();
    dialog.PortEdit->clear();
    dialog.BitBtn1->click();
  }
  EXPECT_FALSE(FShared->Params().Contains("app_proxyhost"));
  EXPECT_FALSE(FShared->Params().Contains("app_proxyport"));
}

TEST_F(NewsWindowTest, AnOpenWindowKeepsItsProxyAfterTheHostIsCleared) {
  TTinyProxy proxy(FFiles.Path());
  ASSERT_TRUE(proxy.Ok()) << "tinyproxy did not start";
  WriteAll(NewsFile, "Old\n");
  Set("app_proxyhost", "127.0.0.1");
  Set("app_proxyport", std::to_string(proxy.Port()));
  TDirectForm& form = Open();
  Pump(20);
  auto proxied = [&] {
    const std::string log = proxy.Log(), url = FServer->Url("/files/lwnews.inf");
    int n = 0;
    for (size_t at = log.find(url); at != std::string::npos; at = log.find(url, at + 1)) ++n;
    return n;
  };
  form.RefreshNewsActionExecute();
  EXPECT_EQ(proxied(), 1);
  Set("app_proxyhost", "");
  form.RefreshNewsActionExecute();
  EXPECT_EQ(proxied(), 2);
  EXPECT_EQ(Captions().first(), "Products");
  // A news window opened now uses no proxy.
  delete FForm;
  std::filesystem::remove(NewsFile);
  Open();
  ASSERT_TRUE(WaitUntil([&] { return FForm->DirectTreeView->topLevelItemCount() > 0; }));
  EXPECT_EQ(proxied(), 2);
}

}  // namespace
}  // namespace lw::test
