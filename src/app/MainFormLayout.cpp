// The main window's controls: actions and tool bars, the criteria panel, the grid, the
// progress strip and the status line.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "AppStyle.h"
#include "CriteriaLists.h"
#include "Icons.h"
#include "MainForm.h"
#include "Nearby.h"
#include "WidgetText.h"

namespace lw {

namespace {

const QColor kMaroon(128, 0, 0);

// Hints are written with CR LF line breaks; a tooltip breaks lines at LF.
QString HintText(std::string_view hint) {
  QString text = WidgetText(hint);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

void SetHint(QWidget* w, std::string_view hint) {
  w->setToolTip(HintText(hint));
  w->setToolTipDuration(kHintHidePause);
  // The hint exactly as written, for whoever needs the original text.
  w->setProperty("hint", WidgetText(hint));
}

QLabel* CriteriaLabel(const char* caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, kMaroon);
  label->setPalette(p);
  label->setBuddy(buddy);
  return label;
}

// The criteria panel as laid out: four text rows, the lists, the zip row.
constexpr int kCriteriaHeight = 191;
constexpr int kListHeight = 70;
constexpr int kCriteriaMargin = 4;
constexpr int kCriteriaSpacing = 3;
constexpr int kToolButtonWidth = 48;

// Rows of a height that divides the list's inside, so that no row shows cut off.
class TWholeRowDelegate : public QStyledItemDelegate {
 public:
  TWholeRowDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), FHeight(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(FHeight);
    return size;
  }

 private:
  int FHeight;
};

template <size_t N>
QListWidget* CriteriaList(const std::array<std::string_view, N>& rows, QWidget* parent) {
  auto* list = new QListWidget(parent);
  for (std::string_view row : rows) list->addItem(WidgetText(row));
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setFixedHeight(kListHeight);
  list->setUniformItemSizes(true);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int inside = kListHeight - 2 * list->frameWidth();
  const int shown = std::max(1, inside / std::max(1, list->sizeHintForRow(0)));
  list->setItemDelegate(new TWholeRowDelegate(inside / shown, list));
  return list;
}

}  // namespace

QAction* TMainForm::MakeAction(const char* caption, const char* icon,
                               void (TMainForm::*execute)()) {
  auto* action =
      new QAction(ProgramIcon(QString::fromLatin1(icon)), QString::fromLatin1(caption), this);
  // The tool button shows the icon text; set it to the caption itself so that the blanks of
  // "    &Clear    " and the accelerator's "&" survive (the derived text drops both).
  action->setIconText(action->text());
  connect(action, &QAction::triggered, this, [this, execute] { (this->*execute)(); });
  return action;
}

void TMainForm::BuildActions() {
  ClearAction = MakeAction("    &Clear    ", "clear", &TMainForm::ClearActionExecute);
  GoAction = MakeAction("&Go", "go", &TMainForm::GoActionExecute);
  PauseAction = MakeAction("&Pause", "pause", &TMainForm::PauseActionExecute);
  PauseAction->setCheckable(true);
  AbortAction = MakeAction("&Abort", "abort", &TMainForm::AbortActionExecute);
  ExportAction = MakeAction("&Export", "export", &TMainForm::ExportActionExecute);
  SummaryAction = MakeAction("Summa&ry", "summary", &TMainForm::SummaryActionExecute);
  UpdateAction = MakeAction("&Updates", "updates", &TMainForm::UpdateActionExecute);
  UpdateAction->setToolTip(QStringLiteral("Check for newer version or updates"));
  NewsAction = MakeAction("&News", "news", &TMainForm::NewsActionExecute);
  AboutAction = MakeAction("&About", "about", &TMainForm::AboutActionExecute);
  CloseAction = MakeAction("&Quit", "quit", &TMainForm::CloseActionExecute);
  ClearAction->setObjectName(QStringLiteral("ClearAction"));
  GoAction->setObjectName(QStringLiteral("GoAction"));
  PauseAction->setObjectName(QStringLiteral("PauseAction"));
  AbortAction->setObjectName(QStringLiteral("AbortAction"));
  ExportAction->setObjectName(QStringLiteral("ExportAction"));
  SummaryAction->setObjectName(QStringLiteral("SummaryAction"));
  UpdateAction->setObjectName(QStringLiteral("UpdateAction"));
  NewsAction->setObjectName(QStringLiteral("NewsAction"));
  AboutAction->setObjectName(QStringLiteral("AboutAction"));
  CloseAction->setObjectName(QStringLiteral("CloseAction"));
  BuildSearchActions();
}

void TMainForm::BuildToolBars() {
  auto setUp = [this](QToolBar* bar, const char* name) {
    bar->setObjectName(QString::fromLatin1(name));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(24, 24));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, bar);
  };
  MainToolBar = new QToolBar(QStringLiteral("Main"), this);
  setUp(MainToolBar, "MainToolBar");
  MainToolBar->addAction(ClearAction);
  MainToolBar->addSeparator();
  MainToolBar->addAction(GoAction);
  MainToolBar->addAction(PauseAction);
  MainToolBar->addAction(AbortAction);
  MainToolBar->addSeparator();
  MainToolBar->addAction(ExportAction);
  MainToolBar->addAction(SummaryAction);

  OtherToolBar = new QToolBar(QStringLiteral("Other"), this);
  setUp(OtherToolBar, "OtherToolBar");
  OtherToolBar->addAction(UpdateAction);
  OtherToolBar->addAction(NewsAction);
  OtherToolBar->addSeparator();
  OtherToolBar->addAction(AboutAction);
  OtherToolBar->addAction(CloseAction);

  // Buttons of one width read as one row of commands, whatever their captions; narrow enough
  // that both bars share one row at the first size.
  for (QToolBar* bar : {MainToolBar, OtherToolBar})
    for (QAction* a : bar->actions())
      if (QWidget* w = bar->widgetForAction(a)) w->setMinimumWidth(kToolButtonWidth);
  PauseBtn = qobject_cast<QToolButton*>(MainToolBar->widgetForAction(PauseAction));
  // Pause turns into the wider "Resume": a button as wide as either keeps the tool bar still.
  PauseAction->setIconText(QStringLiteral("&Resume"));
  const int resumeWidth = PauseBtn->sizeHint().width();
  PauseAction->setIconText(PauseAction->text());
  PauseBtn->setFixedWidth(std::max({resumeWidth, PauseBtn->sizeHint().width(), kToolButtonWidth}));
}

// The criteria's inputs, named and sized; returns the height of a text row.
int TMainForm::CreateCriteriaInputs() {
  SICEdit = new QLineEdit(CriteriaPanel);
  SICDescEdit = new QLineEdit(CriteriaPanel);
  CompanyEdit = new QLineEdit(CriteriaPanel);
  CityEdit = new QLineEdit(CriteriaPanel);
  StateListBox = CriteriaList(StateRows, CriteriaPanel);
  EmployeeListBox = CriteriaList(EmployeeRows, CriteriaPanel);
  SalesListBox = CriteriaList(SalesRows, CriteriaPanel);
  ZipEdit = new QLineEdit(CriteriaPanel);
  for (QLineEdit* e : {SICEdit, SICDescEdit, CompanyEdit, CityEdit, ZipEdit})
    e->setClearButtonEnabled(true);
  SICEdit->setObjectName(QStringLiteral("SICEdit"));
  SICDescEdit->setObjectName(QStringLiteral("SICDescEdit"));
  CompanyEdit->setObjectName(QStringLiteral("CompanyEdit"));
  CityEdit->setObjectName(QStringLiteral("CityEdit"));
  StateListBox->setObjectName(QStringLiteral("StateListBox"));
  EmployeeListBox->setObjectName(QStringLiteral("EmployeeListBox"));
  SalesListBox->setObjectName(QStringLiteral("SalesListBox"));
  ZipEdit->setObjectName(QStringLiteral("ZipEdit"));

  // The state codes are short; the employee classes need a little more; the sales list
  // takes what is left, as the text boxes do.
  const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  StateListBox->setFixedWidth(charWidth * 18);
  EmployeeListBox->setFixedWidth(charWidth * 24);
  SalesListBox->setMinimumWidth(charWidth * 24);

  // The five text rows share what the lists leave of the panel's height; taller boxes
  // would make the layout's minimum push the panel past it.
  const int rowHeight =
      (kCriteriaHeight - 2 * kCriteriaMargin - 5 * kCriteriaSpacing - kListHeight) / 5;
  for (QLineEdit* e : {SICEdit, SICDescEdit, CompanyEdit, CityEdit, ZipEdit})
    e->setFixedHeight(std::min(e->sizeHint().height(), rowHeight));
  return rowHeight;
}

void TMainForm::BuildCriteriaPanel() {
  CriteriaPanel = new QWidget;
  CriteriaPanel->setObjectName(QStringLiteral("CriteriaPanel"));
  CriteriaPanel->setAutoFillBackground(true);
  {
    QPalette p = CriteriaPanel->palette();
    p.setColor(QPalette::Window, Qt::white);
    CriteriaPanel->setPalette(p);
  }

  const int rowHeight = CreateCriteriaInputs();
  auto* grid = new QGridLayout(CriteriaPanel);
  grid->setContentsMargins(8, kCriteriaMargin, 8, kCriteriaMargin);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(kCriteriaSpacing);
  grid->addWidget(CriteriaLabel("SIC Co&de(s)*", SICEdit, CriteriaPanel), 0, 0);
  grid->addWidget(SICEdit, 0, 1);
  grid->addWidget(CriteriaLabel("SIC Description:", SICDescEdit, CriteriaPanel), 1, 0);
  grid->addWidget(SICDescEdit, 1, 1);
  grid->addWidget(CriteriaLabel("Company Na&me", CompanyEdit, CriteriaPanel), 2, 0);
  grid->addWidget(CompanyEdit, 2, 1);
  grid->addWidget(CriteriaLabel("Ci&ty", CityEdit, CriteriaPanel), 3, 0);
  grid->addLayout(BuildNearbyRow(rowHeight), 3, 1);

  auto* listLabels = new QVBoxLayout;
  listLabels->setSpacing(2);
  listLabels->addWidget(CriteriaLabel("&States /", StateListBox, CriteriaPanel));
  listLabels->addWidget(CriteriaLabel("Emplo&yees /", EmployeeListBox, CriteriaPanel));
  listLabels->addWidget(CriteriaLabel("Annual Sa&les", SalesListBox, CriteriaPanel));
  listLabels->addStretch(1);
  grid->addLayout(listLabels, 4, 0);
  auto* lists = new QHBoxLayout;
  lists->setSpacing(6);
  lists->addWidget(StateListBox);
  lists->addWidget(EmployeeListBox);
  lists->addWidget(SalesListBox, 1);
  grid->addLayout(lists, 4, 1);

  BuildSearchToolBar(rowHeight);
  auto* zipRow = new QHBoxLayout;
  zipRow->setSpacing(6);
  zipRow->addWidget(ZipEdit, 1);
  zipRow->addWidget(SearchToolBar);
  grid->addWidget(CriteriaLabel("&Zip Code(s)*", ZipEdit, CriteriaPanel), 5, 0);
  grid->addLayout(zipRow, 5, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);

  ConnectCriteriaInputs();
}

// The radius shares the city's row: both say where the companies are.
QLayout* TMainForm::BuildNearbyRow(int rowHeight) {
  MilesSpinBox = new QDoubleSpinBox(CriteriaPanel);
  MilesSpinBox->setObjectName(QStringLiteral("MilesSpinBox"));
  MilesSpinBox->setDecimals(1);
  MilesSpinBox->setRange(0.1, kMaxRadiusMiles);
  MilesSpinBox->setValue(kDefaultMiles);
  MilesSpinBox->setFixedHeight(std::min(MilesSpinBox->sizeHint().height(), rowHeight));
  NearEdit = new QLineEdit(CriteriaPanel);
  NearEdit->setObjectName(QStringLiteral("NearEdit"));
  NearEdit->setClearButtonEnabled(true);
  NearEdit->setFixedHeight(std::min(NearEdit->sizeHint().height(), rowHeight));
  NearEdit->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 22);
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  row->addWidget(CityEdit, 1);
  row->addWidget(CriteriaLabel("Within", MilesSpinBox, CriteriaPanel));
  row->addWidget(MilesSpinBox);
  row->addWidget(CriteriaLabel("miles o&f", NearEdit, CriteriaPanel));
  row->addWidget(NearEdit);
  return row;
}

// How the search is run sits where the criteria end: the table searched, the match options
// and the saved searches, in a strip as high as the text rows.
void TMainForm::BuildSearchToolBar(int rowHeight) {
  SearchToolBar = new QToolBar(QStringLiteral("Search"), CriteriaPanel);
  SearchToolBar->setObjectName(QStringLiteral("SearchToolBar"));
  SearchToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  SearchToolBar->setIconSize(QSize(rowHeight - 6, rowHeight - 6));
  SearchToolBar->setFixedHeight(rowHeight);
  SearchToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
  SearchToolBar->setStyleSheet(QStringLiteral("QToolBar { border: 0; padding: 0; spacing: 2px; }"));
  SearchToolBar->addAction(OpenAction);
  SearchToolBar->addAction(IgnoreCaseAction);
  SearchToolBar->addAction(WildcardsAction);
  SearchToolBar->addAction(SearchesAction);
  if (auto* button = qobject_cast<QToolButton*>(SearchToolBar->widgetForAction(SearchesAction)))
    button->setPopupMode(QToolButton::InstantPopup);
}

// Tab walks the inputs top to bottom; Enter in any of them runs Go.
void TMainForm::ConnectCriteriaInputs() {
  setTabOrder(SICEdit, SICDescEdit);
  setTabOrder(SICDescEdit, CompanyEdit);
  setTabOrder(CompanyEdit, CityEdit);
  setTabOrder(CityEdit, MilesSpinBox);
  setTabOrder(MilesSpinBox, NearEdit);
  setTabOrder(NearEdit, StateListBox);
  setTabOrder(StateListBox, EmployeeListBox);
  setTabOrder(EmployeeListBox, SalesListBox);
  setTabOrder(SalesListBox, ZipEdit);

  for (QWidget* input : std::initializer_list<QWidget*>{SICEdit, SICDescEdit, CompanyEdit, CityEdit,
                                                        StateListBox, EmployeeListBox, SalesListBox,
                                                        ZipEdit, MilesSpinBox, NearEdit})
    input->installEventFilter(this);
  for (QListWidget* list : {StateListBox, EmployeeListBox, SalesListBox})
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list] { ListBoxClick(list); });
}

void TMainForm::BuildGridAndStatus() {
  DBGrid = new TDBGrid;
  DBGrid->setObjectName(QStringLiteral("DBGrid"));
  connect(DBGrid, &TDBGrid::TitleClick, this, &TMainForm::DBGridTitleClick);
  connect(DBGrid, &TDBGrid::DblClick, this, &TMainForm::DBGridDblClick);
  connect(DBGrid, &TDBGrid::OpenRecord, this, &TMainForm::DBGridOpenRecord);

  Splitter = new QSplitter(Qt::Vertical);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(CriteriaPanel);
  Splitter->addWidget(DBGrid);
  Splitter->setStretchFactor(0, 0);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({kCriteriaHeight, 300});
  Splitter->setHandleWidth(5);

  ProgressPanel = new QWidget;
  ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
  ProgressBar = new QProgressBar(ProgressPanel);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);
  ProgressBar->setFixedHeight(14);
  ProgressLabel = new QLabel(ProgressPanel);
  ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
  ProgressLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // A fixed size: the label changes with every progress event, and a label of fixed size
  // does not make the window lay itself out again each time.
  ProgressLabel->setFixedSize(fontMetrics().horizontalAdvance(QStringLiteral(" 100 % ")) + 8,
                              fontMetrics().height() + 2);
  auto* strip = new QHBoxLayout(ProgressPanel);
  strip->setContentsMargins(4, 2, 4, 2);
  strip->addWidget(ProgressBar, 1);
  strip->addWidget(ProgressLabel);
  ProgressPanel->hide();

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(Splitter, 1);
  column->addWidget(ProgressPanel);
  setCentralWidget(central);

  StatusBar = statusBar();
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  FStatusLabel = new QLabel;
  FStatusLabel->setObjectName(QStringLiteral("StatusText"));
  StatusBar->addWidget(FStatusLabel, 1);
  CountLabel = new QLabel;
  CountLabel->setObjectName(QStringLiteral("CountText"));
  StatusBar->addPermanentWidget(CountLabel);
  FCountTimer = new QTimer(this);
  connect(FCountTimer, &QTimer::timeout, this, &TMainForm::ShowCount);
}

// The tool bars share one row while it holds them all; a window too narrow for that (the
// first size on a large font, the News button shown) puts the second bar on a row of its
// own rather than hiding its last buttons, Quit among them, behind the overflow arrow.
void TMainForm::FitToolBars() {
  const int needed = MainToolBar->sizeHint().width() + OtherToolBar->sizeHint().width();
  const bool wrap = needed > width();
  if (wrap == toolBarBreak(OtherToolBar)) return;
  if (wrap)
    insertToolBarBreak(OtherToolBar);
  else
    removeToolBarBreak(OtherToolBar);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitToolBars();
}

void TMainForm::SetHints() {
  SetHint(SICEdit, SICEditHint);
  SetHint(SICDescEdit, SICDescEditHint);
  SetHint(CompanyEdit, CompanyEditHint);
  SetHint(CityEdit, CityEditHint);
  SetHint(StateListBox, StateListBoxHint);
  SetHint(EmployeeListBox, EmployeeListBoxHint);
  SetHint(SalesListBox, SalesListBoxHint);
  SetHint(ZipEdit, ZipEditHint);
  SetHint(DBGrid, "Click the title in BOLD to sort.");
  DBGrid->viewport()->setToolTip(DBGrid->toolTip());
  DBGrid->viewport()->setToolTipDuration(kHintHidePause);
}

}  // namespace lw
