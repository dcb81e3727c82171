#include "DirectForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "Icons.h"
#include "LinkOpener.h"
#include "MessageBoxes.h"
#include "NewsLink.h"
#include "ProxyForm.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "WidgetText.h"
#include "WindowPlacement.h"

namespace lw {

namespace {

constexpr int kIndexRole = Qt::UserRole;

// A text of the news file as the window shows it, in the file's own encoding.
QString Shown(const TNewsTree& tree, std::string_view bytes) {
  return tree.Utf8 ? QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                   : WidgetText(bytes);
}

// Keeps the "&" of a caption on its tool button, where the derived icon text would drop it:
// the accelerator is then both shown and registered.
void KeepAccelerator(QAction* action) {
  action->setIconText(action->text());
}

}  // namespace

TDirectForm::TDirectForm(QWidget* owner, TSharedData* sharedData)
    : QWidget(owner, Qt::Window), FSharedData(sharedData) {
  setObjectName(QStringLiteral("TDirectForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(ProgramIcon(QStringLiteral("news")));
  resize(559, 273);
  FitToScreen(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  RefreshNewsAction =
      new QAction(ProgramIcon(QStringLiteral("refresh")), QStringLiteral("&Refresh"), this);
  RefreshNewsAction->setObjectName(QStringLiteral("RefreshNewsAction"));
  RefreshNewsAction->setShortcut(Qt::Key_F5);
  connect(RefreshNewsAction, &QAction::triggered, this, &TDirectForm::RefreshNewsActionExecute);
  ProxyAction = new QAction(ProgramIcon(QStringLiteral("proxy")), QStringLiteral("&Proxy"), this);
  ProxyAction->setObjectName(QStringLiteral("ProxyAction"));
  connect(ProxyAction, &QAction::triggered, this, &TDirectForm::ProxyActionExecute);
  KeepAccelerator(RefreshNewsAction);
  KeepAccelerator(ProxyAction);

  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(21, 21));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  ToolBar1->addAction(RefreshNewsAction);
  ToolBar1->addAction(ProxyAction);
  for (QAction* action : {RefreshNewsAction, ProxyAction}) {
    auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action));
    button->setFixedSize(75, 27);
    button->setAutoRaise(true);
    // Tool bars keep their buttons out of the Tab chain; here they are the window's only
    // commands, so a keyboard user must be able to reach them.
    button->setFocusPolicy(Qt::TabFocus);
  }
  RefreshBtn = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(RefreshNewsAction));
  RefreshBtn->setObjectName(QStringLiteral("RefreshBtn"));
  layout->addWidget(ToolBar1);

  DirectTreeView = new QTreeWidget(this);
  DirectTreeView->setObjectName(QStringLiteral("DirectTreeView"));
  DirectTreeView->setHeaderHidden(true);
  DirectTreeView->setColumnCount(1);
  DirectTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DirectTreeView->setIndentation(19);
  // Rows of one height: the view need not measure the text of every row to lay them out.
  DirectTreeView->setUniformRowHeights(true);
  // Hot-tracking: the item under the pointer is highlighted as the pointer moves.
  DirectTreeView->setMouseTracking(true);
  DirectTreeView->viewport()->setAttribute(Qt::WA_Hover);
  DirectTreeView->viewport()->installEventFilter(this);
  DirectTreeView->installEventFilter(this);
  layout->addWidget(DirectTreeView, 1);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  // A label rather than the bar's own message, which hovering a tool button would clear.
  FStatusLabel = new QLabel(StatusBar1);
  FStatusLabel->setObjectName(QStringLiteral("StatusText"));
  StatusBar1->addWidget(FStatusLabel, 1);
  layout->addWidget(StatusBar1);

  setTabOrder(DirectTreeView, RefreshBtn);
  setTabOrder(RefreshBtn, ToolBar1->widgetForAction(ProxyAction));
  // A window of its own without a dialog's Escape: closed from the keyboard like one.
  CloseAction = new QAction(QStringLiteral("Close"), this);
  CloseAction->setObjectName(QStringLiteral("CloseAction"));
  CloseAction->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
  CloseAction->setShortcutContext(Qt::WindowShortcut);
  connect(CloseAction, &QAction::triggered, this, &QWidget::close);
  addAction(CloseAction);
}

QString TDirectForm::StatusText() const {
  return FStatusLabel->text();
}

TDirectForm* TDirectForm::Find(const QString& caption) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    // A closed window lingers until its deferred deletion; it no longer counts.
    auto* form = qobject_cast<TDirectForm*>(w);
    if (form && form->isVisible() && form->windowTitle() == caption) return form;
  }
  return nullptr;
}

TNewsSettings TDirectForm::Settings() const {
  TNewsSettings s;
  if (!FSharedData) return s;
  const TParams& p = FSharedData->Params();
  s.Url = p.Value(keys::kNewsUrl);
  s.File = FSharedData->NewsFilePath();
  s.ProxyHost = p.Value(keys::kAppProxyHost);
  s.ProxyPort = p.Value(keys::kAppProxyPort);
  return s;
}

void TDirectForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TDirectForm::FormShow() {
  const TNewsSettings settings = Settings();
  if (!FSharedData || settings.File.empty()) {
    // No news: the window goes away as soon as it has been shown.
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  if (!QFileInfo::exists(QString::fromLocal8Bit(settings.File))) {
    // Fetched once the window is up, so that whoever showed it carries on first.
    QTimer::singleShot(0, this, &TDirectForm::RefreshNewsActionExecute);
    return;
  }
  TNewsTree tree;
  try {
    tree = LoadNewsFile(settings.File);
  } catch (const std::exception& e) {
    // Said once where it does not stand in the way: Refresh may fetch a good file.
    FStatusLabel->setText(WidgetText(e.what()));
    return;
  }
  const std::string error = tree.Error;
  ShowTree(std::move(tree));
  FStatusLabel->setText(LeftOutNote());
  if (!error.empty()) TMessageBoxes::ShowError(this, Shown(FTree, error));
}

QString TDirectForm::LeftOutNote() const {
  if (FTree.LinesLeftOut == 0) return QString();
  return QStringLiteral("Only the first %1 lines are shown").arg(kNewsMaxNodes);
}

void TDirectForm::ShowTree(TNewsTree tree) {
  FTree = std::move(tree);
  DirectTreeView->setUpdatesEnabled(false);
  DirectTreeView->clear();
  // Built apart from the view and handed over in one go, the nodes are laid out once instead
  // of once per node.
  QList<QTreeWidgetItem*> topLevel;
  std::vector<QTreeWidgetItem*> parents;  // parents[d]: the last node made at depth d
  for (size_t i = 0; i < FTree.Nodes.size(); ++i) {
    const TNewsNode& node = FTree.Nodes[i];
    const size_t depth = static_cast<size_t>(node.Level);
    QTreeWidgetItem* item =
        depth == 0 ? new QTreeWidgetItem : new QTreeWidgetItem(parents[depth - 1]);
    if (depth == 0) topLevel.append(item);
    item->setText(0, Shown(FTree, node.Text));
    item->setData(0, kIndexRole, static_cast<qulonglong>(i));
    parents.resize(depth);
    parents.push_back(item);
  }
  DirectTreeView->addTopLevelItems(topLevel);
  DirectTreeView->expandAll();
  if (DirectTreeView->topLevelItemCount() > 0)
    DirectTreeView->setCurrentItem(DirectTreeView->topLevelItem(0));
  DirectTreeView->setUpdatesEnabled(true);
}

void TDirectForm::RefreshNewsActionExecute() {
  if (FFetching) return;
  FFetching = true;
  RefreshNewsAction->setEnabled(false);
  auto pump = [this] {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !FCloseAfterFetch;
  };
  std::string failure;
  std::optional<TNewsTree> tree = RefreshQuietly(FClient, Settings(), pump, &failure);
  // Parsing came last; what waited meanwhile runs before the tree is built.
  pump();
  FFetching = false;
  if (FCloseAfterFetch) {
    // Closed during the fetch: it was kept only for this call to return into.
    if (FDeleteAfterFetch) deleteLater();
    return;
  }
  if (tree) ShowTree(std::move(*tree));
  DirectTreeView->setUpdatesEnabled(true);
  RefreshNewsAction->setEnabled(true);
  if (!failure.empty()) {
    FStatusLabel->setText(QStringLiteral("Refresh failed: ") + WidgetText(failure));
  } else if (tree) {
    const QString note = LeftOutNote();
    FStatusLabel->setText(
        QStringLiteral("Updated ") +
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat) +
        (note.isEmpty() ? QString() : QStringLiteral(" - ") + note));
  }
}

void TDirectForm::ProxyActionExecute() {
  TProxyForm proxy(this, FSharedData);
  proxy.exec();
}

void TDirectForm::closeEvent(QCloseEvent* event) {
  if (FFetching) {
    // The fetch runs further up this thread's stack: its next pump call cancels it. The window
    // closes now (so that quitting the program is not held up by it) but lives on until the
    // fetch has returned into it.
    FCloseAfterFetch = true;
    FDeleteAfterFetch = testAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_DeleteOnClose, false);
  }
  QWidget::closeEvent(event);
}

bool TDirectForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DirectTreeView && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      OpenItem(DirectTreeView->currentItem());
      return true;
    }
  }
  if (watched == DirectTreeView->viewport()) {
    if (event->type() == QEvent::MouseButtonRelease)
      DirectTreeViewMouseUp(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (event->type() == QEvent::MouseMove) {
      // A news item with a link to open shows the pointing hand.
      QTreeWidgetItem* item =
          DirectTreeView->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      const bool link =
          item && !NewsLinkToOpen(FTree, item->data(0, kIndexRole).toULongLong()).empty();
      DirectTreeView->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TDirectForm::DirectTreeViewMouseUp(const QPoint& position) {
  OpenItem(DirectTreeView->itemAt(position));
}

void TDirectForm::OpenItem(QTreeWidgetItem* item) {
  if (!item) return;
  const std::string link = NewsLinkToOpen(FTree, item->data(0, kIndexRole).toULongLong());
  if (!link.empty()) OpenLink(Shown(FTree, link));
}

}  // namespace lw
