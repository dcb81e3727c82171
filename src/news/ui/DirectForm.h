#pragma once

#include <QAction>
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
// closing the window during a fetch cancels it first.
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

  QToolBar* ToolBar1;
  QToolButton* RefreshBtn;
  QAction* RefreshNewsAction;
  QAction* ProxyAction;
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
  TNewsSettings Settings() const;

  TSharedData* FSharedData;
  TNewsClient FClient;
  TNewsTree FTree;
  bool FFetching = false;
  bool FCloseAfterFetch = false;
};

}  // namespace lw
