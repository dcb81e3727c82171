#include "DirectForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
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

namespace lw {

namespace {

constexpr int kIndexRole = Qt::UserRole;

}  // namespace

TDirectForm::TDirectForm(QWidget* owner, TSharedData* sharedData)
    : QWidget(owner, Qt::Window), FSharedData(sharedData) {
  setObjectName(QStringLiteral("TDirectForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(ProgramIcon(QStringLiteral("news")));
  resize(559, 273);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  RefreshNewsAction =
      new QAction(ProgramIcon(QStringLiteral("refresh")), QStringLiteral("&Refresh"), this);
  RefreshNewsAction->setObjectName(QStringLiteral("RefreshNewsAction"));
  connect(RefreshNewsAction, &QAction::triggered, this, &TDirectForm::RefreshNewsActionExecute);
  ProxyAction = new QAction(ProgramIcon(QStringLiteral("proxy")), QStringLiteral("&Proxy"), this);
  ProxyAction->setObjectName(QStringLiteral("ProxyAction"));
  connect(ProxyAction, &QAction::triggered, this, &TDirectForm::ProxyActionExecute);

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
  // Hot-tracking: the item under the pointer is highlighted as the pointer moves.
  DirectTreeView->setMouseTracking(true);
  DirectTreeView->viewport()->setAttribute(Qt::WA_Hover);
  DirectTreeView->viewport()->installEventFilter(this);
  layout->addWidget(DirectTreeView, 1);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  layout->addWidget(StatusBar1);
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
    TMessageBoxes::ShowError(this, WidgetText(e.what()));
    return;
  }
  const std::string error = tree.Error;
  ShowTree(std::move(tree));
  if (!error.empty()) TMessageBoxes::ShowError(this, WidgetText(error));
}

void TDirectForm::ShowTree(TNewsTree tree) {
  FTree = std::move(tree);
  DirectTreeView->setUpdatesEnabled(false);
  DirectTreeView->clear();
  std::vector<QTreeWidgetItem*> parents;  // parents[d]: the last node made at depth d
  for (size_t i = 0; i < FTree.Nodes.size(); ++i) {
    const TNewsNode& node = FTree.Nodes[i];
    const size_t depth = static_cast<size_t>(node.Level);
    QTreeWidgetItem* item =
        depth == 0 ? new QTreeWidgetItem(DirectTreeView) : new QTreeWidgetItem(parents[depth - 1]);
    item->setText(0, WidgetText(node.Text));
    item->setData(0, kIndexRole, static_cast<qulonglong>(i));
    parents.resize(depth);
    parents.push_back(item);
  }
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
  std::optional<TNewsTree> tree = RefreshQuietly(FClient, Settings(), pump);
  if (tree && !FCloseAfterFetch) ShowTree(std::move(*tree));
  DirectTreeView->setUpdatesEnabled(true);
  RefreshNewsAction->setEnabled(true);
  FFetching = false;
  if (FCloseAfterFetch) close();
}

void TDirectForm::ProxyActionExecute() {
  TProxyForm proxy(this, FSharedData);
  proxy.exec();
}

void TDirectForm::closeEvent(QCloseEvent* event) {
  if (FFetching) {
    // The fetch runs further up this thread's stack: cancel it, and close once it returned.
    FCloseAfterFetch = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

bool TDirectForm::eventFilter(QObject* watched, QEvent* event) {
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
  QTreeWidgetItem* item = DirectTreeView->itemAt(position);
  if (!item) return;
  const std::string link = NewsLinkToOpen(FTree, item->data(0, kIndexRole).toULongLong());
  if (!link.empty()) OpenLink(WidgetText(link));
}

}  // namespace lw
