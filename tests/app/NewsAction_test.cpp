// The main window's News action: shown only with a news address, one window at a time, Alt+N.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "DirectForm.h"
#include "FileText.h"
#include "LocalServers.h"
#include "MainFormFixture.h"

namespace lw::test {
namespace {

class NewsActionTest : public TMainFormFixture {
 protected:
  // The setup file's [NEWS] section with this address and a news file of the test's own.
  void SetNews(const std::string& url) {
    std::string setup = ReadAll(Home.File("setup.ini"));
    const std::string line = "file=lwnews.inf";
    const auto at = setup.find(line);
    ASSERT_NE(at, std::string::npos) << setup;
    setup.replace(at, line.size(), "url=" + url + "\r\nfile=" + Files.File("lwnews.inf"));
    WriteAll(Home.File("setup.ini"), setup);
  }
  std::vector<TDirectForm*> NewsWindows() {
    std::vector<TDirectForm*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<TDirectForm*>(w); f && f->isVisible()) out.push_back(f);
    return out;
  }
  TTempDir Files;
};

TEST_F(NewsActionTest, HiddenWithoutANewsAddress) {
  SetNews("ftp://news.example.com/lwnews.inf");  // not fetched, so no address at all
  Start();
  EXPECT_EQ(Form->SharedData()->NetNewsURL(), "");
  EXPECT_FALSE(Form->NewsAction->isVisible());
}

TEST_F(NewsActionTest, OpensOneModelessNewsWindowAndFindsItAgain) {
  WriteAll(Files.File("served.inf"), "Products\n\tNew release;notes.txt\n");
  THttpServer server(Files.Path());
  ASSERT_TRUE(server.Ok());
  SetNews(server.Url("/files/served.inf"));
  Start();
  ASSERT_TRUE(Form->NewsAction->isVisible());
  Form->NewsAction->trigger();
  ASSERT_EQ(NewsWindows().size(), 1u);
  QPointer<TDirectForm> news = NewsWindows()[0];
  EXPECT_EQ(news->windowTitle(), QStringLiteral("Ledgerwake News"));
  EXPECT_FALSE(news->isModal());
  EXPECT_EQ(news->parentWidget(), Form.get());
  ASSERT_TRUE(WaitUntil([&] { return news->DirectTreeView->topLevelItemCount() == 1; }));
  // Pressed again: the same window comes to the front.
  Form->NewsAction->trigger();
  ASSERT_EQ(NewsWindows().size(), 1u);
  EXPECT_EQ(NewsWindows()[0], news.data());
  // Closed, it is gone; the next press makes a new one.
  news->close();
  EXPECT_TRUE(NewsWindows().empty());
  Form->NewsAction->trigger();
  ASSERT_EQ(NewsWindows().size(), 1u);
  EXPECT_NE(NewsWindows()[0], news.data());
}

// An Alt key claimed twice runs neither; here each has one taker in each state.
TEST_F(NewsActionTest, EachAltKeyDoesOneThingInEveryState) {
  WriteAll(Home.File("lwnews.inf"), "Local news\n");  // shown without any fetch
  Start();
  auto press = [this](Qt::Key key) {
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Form.get(), key, Qt::AltModifier);
  };
  press(Qt::Key_L);
  EXPECT_EQ(QApplication::focusWidget(), Form->SalesListBox);
  press(Qt::Key_N);
  ASSERT_TRUE(WaitUntil([&] { return NewsWindows().size() == 1; }));
  NewsWindows()[0]->close();
  Form->GoActionExecute();
  Form->PauseActionExecute();  // so that the search cannot end by itself first
  press(Qt::Key_A);            // Abort, About being disabled
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Aborted ..."));
}

// Quit while the news window waits for a silent server: the event loop ends, no window left.
TEST_F(NewsActionTest, QuitDuringAFetchEndsTheProgram) {
  THttpServer server(Files.Path());
  SetNews(server.Url("/slow/12000/served.inf"));
  Start();
  Form->NewsAction->trigger();
  QTimer::singleShot(300, Form->CloseAction, &QAction::trigger);
  QTimer watchdog;
  watchdog.callOnTimeout([] { QCoreApplication::exit(1); });
  watchdog.start(3000);
  EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
}  // namespace lw::test
