#pragma once

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>

#include "NewsClient.h"
#include "NewsTree.h"

namespace lw {

class TSharedData;

// The news window: the news file as a tree of headings and items, fetched again with Refresh,
// optionally through the proxy set in the proxy dialog. Clicking an item opens its link with
// the desktop. Modeless; discarded when closed; at most one is open (Find).
//
// A fetch runs on the window's own thread with a pump that keeps processing the window's
// events, so the window stays usable; Refresh is disabled until the fetch has ended, and
// closing the window during a fetch cancels it and closes at once. The status bar tells when
// the news was fetched, or why a refresh or reading the news file failed.
class TDirectForm : public QWidget {
  Q_OBJECT
 public:
  TDirectForm(QWidget* owner, TSharedData* sharedData);

  // The open news window with this caption, or null.
  static TDirectForm* Find(const QString& caption);

  // The news link list: one entry per tree node, in the tree's absolute order.
  const std::vector<std::string>& NewsLinks() const { return FTree.Links; }
  // The fetch's proxy, kept for this window's life (see TNewsClient).
  const TNewsClient& Client() const { return FClient; }
  bool Fetching() const { return FFetching; }
  QString StatusText() const;

  QToolBar* ToolBar1;
  QToolButton* RefreshBtn;
  QAction* RefreshNewsAction;
  QAction* ProxyAction;
  QAction* CloseAction;  // Escape, Ctrl+W
  QTreeWidget* DirectTreeView;
  QStatusBar* StatusBar1;

  void RefreshNewsActionExecute();
  void ProxyActionExecute();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
  // The load procedure's display half: replaces the tree's nodes by `tree`'s.
  void ShowTree(TNewsTree tree);
  void DirectTreeViewMouseUp(const QPoint& position);
  // Opens the link of a news item (clicked, or current when Enter or Space is pressed).
  void OpenItem(QTreeWidgetItem* item);
  // "" or a note that the news file has more lines than the tree shows.
  QString LeftOutNote() const;
  TNewsSettings Settings() const;

  TSharedData* FSharedData;
  TNewsClient FClient;
  TNewsTree FTree;
  bool FFetching = false;
  bool FCloseAfterFetch = false;
  bool FDeleteAfterFetch = false;
  QLabel* FStatusLabel;
};

}  // namespace lw
