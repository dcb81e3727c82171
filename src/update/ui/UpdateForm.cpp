// The wizard's window: layout, pages, buttons and their actions.
#include "UpdateForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QVBoxLayout>
#include <algorithm>

#include "DownloadAnimation.h"
#include "Icons.h"
#include "LinkLabel.h"
#include "MessageBoxes.h"
#include "SettingsDefaults.h"
#include "UpdateDialogs.h"
#include "UpdateTree.h"
#include "WidgetText.h"
#include "WindowPlacement.h"

namespace lw {

namespace {

constexpr int kClientWidth = 439;
constexpr int kClientHeight = 287;
constexpr int kPictureWidth = 131;
constexpr int kButtonsTop = 254;
constexpr int kFailureHeight = 20;

// Texts keep their CR LF line ends in the log; labels show them as plain line breaks.
QString Shown(const std::string& text) {
  QString s = WidgetText(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QLabel* PageLabel(QWidget* page, const char* name, const char* text) {
  auto* label = new QLabel(Shown(text), page);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

// The read-only text boxes of the pages (the result memo, the update's description).
QPlainTextEdit* PageMemo(QWidget* page, const char* name) {
  auto* memo = new QPlainTextEdit(page);
  memo->setObjectName(QString::fromLatin1(name));
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return memo;
}

// The widest line of `lines` in `font`, in pixels.
int WidestLine(const QStringList& lines, const QFont& font) {
  const QFontMetrics metrics(font);
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  return widest;
}

// The pages' fixed texts keep their own line breaks, laid out for a narrow 8-point font; the
// pages take the largest size (down to 7 points) at which every line fits its label, so that
// no line is cut off at the right. A text that fits at no size wraps instead.
void FitPageFont(QWidget* pages, const QList<QLabel*>& labels) {
  QFont font = pages->font();
  const bool inPoints = font.pointSizeF() > 0;
  auto size = [&] { return inPoints ? font.pointSizeF() : font.pixelSize(); };
  auto shrink = [&] {
    if (inPoints)
      font.setPointSizeF(font.pointSizeF() - 0.5);
    else
      font.setPixelSize(font.pixelSize() - 1);
  };
  const double smallest = inPoints ? 7.0 : 9.0;
  auto fits = [&](QLabel* label) {
    return WidestLine(label->text().split(QLatin1Char('\n')), font) <= label->width();
  };
  while (size() > smallest && !std::all_of(labels.begin(), labels.end(), fits)) shrink();
  pages->setFont(font);
  for (QLabel* label : labels)
    if (!fits(label)) label->setWordWrap(true);
}

}  // namespace

TUpdateForm::TUpdateForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("UpdateForm"));
  // No close box and no system menu: the wizard is left through Finish only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(QString::fromLatin1(kApplicationTitle) + QStringLiteral(" - Updatewarden"));
  setFixedSize(kClientWidth, kClientHeight);
  setModal(true);

  ImageUrl = new TPictureLink(this);
  ImageUrl->setObjectName(QStringLiteral("ImageUrl"));
  ImageUrl->setGeometry(0, 0, kPictureWidth, kButtonsTop - 10);
  ImageUrl->setPixmap(
      ProgramPicture(QStringLiteral("updatewarden"), ImageUrl->size(), devicePixelRatioF()));
  ImageUrl->setToolTip(QStringLiteral("TALVERN Updatewarden"));
  ImageUrl->SetTarget(QString::fromLatin1(defaults::kProductUpdateUrlBase));

  TitlePanel = new QLabel(this);
  TitlePanel->setObjectName(QStringLiteral("TitlePanel"));
  TitlePanel->setGeometry(kPictureWidth + 8, 4, kClientWidth - kPictureWidth - 16, 28);
  QFont bold = TitlePanel->font();
  bold.setBold(true);
  bold.setPixelSize(19);
  TitlePanel->setFont(bold);

  BuildPages();
  BuildButtons();
  BindEvents();
}

TUpdateForm::~TUpdateForm() = default;

void TUpdateForm::BuildPages() {
  Notebook = new QStackedWidget(this);
  Notebook->setObjectName(QStringLiteral("Notebook"));
  Notebook->setGeometry(kPictureWidth + 8, 34, kClientWidth - kPictureWidth - 16, kButtonsTop - 44);
  const int w = Notebook->width();
  const int h = Notebook->height();

  auto* welcome = new QWidget;
  auto* layout = new QVBoxLayout(welcome);
  layout->setContentsMargins(0, 0, 0, 0);
  StartLabel1 =
      PageLabel(welcome, "StartLabel1", "\r\nWelcome to Updatewarden. Updatewarden will:");
  StartLabel2 = PageLabel(welcome, "StartLabel2",
                          "     - Automatically connect to a Updatewarden server to\r\n"
                          "       check for product and document updates.\r\n\r\n"
                          "     - Let you choose which update(s) you want.\r\n\r\n"
                          "     - Automatically re-connect to  Updatewarden's server to\r\n"
                          "       get the update(s).\r\n\r\n"
                          "     - Install the update(s) on your computer.");
  StartLabel3 = PageLabel(welcome, "StartLabel3", "\r\nTo start click the 'Next >>' button.");
  layout->addWidget(StartLabel1);
  layout->addWidget(StartLabel2);
  layout->addWidget(StartLabel3);
  layout->addStretch();
  Notebook->addWidget(welcome);

  auto* retrieve = new QWidget;
  ServerLabel = PageLabel(retrieve, "ServerLabel",
                          "\r\nUpdatewarden is finding out which updates are available\r\n"
                          "for your product(s).");
  ServerLabel->setGeometry(0, 0, w, 50);
  ResultMemo = PageMemo(retrieve, "ResultMemo");
  ResultMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  ResultMemo->setGeometry(0, 54, w, h - 54 - kFailureHeight);
  Notebook->addWidget(retrieve);

  auto* select = new QWidget;
  ModuleLabel = PageLabel(select, "ModuleLabel",
                          "\r\nIn the following list, select the updates you want.\r\n"
                          "Click 'Next >>' to begin updating your computer.");
  ModuleLabel->setGeometry(0, 0, w, 50);
  LocalTreeView = new TUpdateTree(select);
  LocalTreeView->setObjectName(QStringLiteral("LocalTreeView"));
  LocalTreeView->setGeometry(0, 52, w, h - 52 - 50);
  InfoLabel = PageMemo(select, "InfoLabel");
  InfoLabel->setGeometry(0, h - 46, w, 46);
  Notebook->addWidget(select);

  Notebook->addWidget(BuildDownloadPage(w));

  auto* complete = new QWidget;
  FinishLabel = PageLabel(complete, "FinishLabel", "");
  FinishLabel->setWordWrap(true);
  FinishLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FinishLabel->setGeometry(0, 0, w, h);
  Notebook->addWidget(complete);

  BuildFailureLabel();

  // The welcome page's labels are laid out by their box: they are as wide as the page.
  for (QLabel* label : {StartLabel1, StartLabel2, StartLabel3}) label->resize(w, label->height());
  FitPageFont(Notebook, {StartLabel1, StartLabel2, StartLabel3, ServerLabel, ModuleLabel,
                         DownloadLabel1, LocalLabel});
  FailureLabel->setFont(Notebook->font());  // it reads as part of the page
}

QWidget* TUpdateForm::BuildDownloadPage(int w) {
  auto* download = new QWidget;
  DownloadLabel1 = PageLabel(download, "DownloadLabel1",
                             "\r\nUpdatewarden is downloading the files you selected.\r\n"
                             "Click 'Cancel' to cancel the download process.");
  DownloadLabel1->setGeometry(0, 0, w, 50);
  Animate = new TDownloadAnimation(download);
  Animate->setObjectName(QStringLiteral("Animate"));
  Animate->setGeometry(0, 52, w, 60);
  LocalLabel = PageLabel(download, "LocalLabel", "Local file:");
  LocalLabel->setGeometry(0, 118, 80, 18);
  LocalFileLabel = PageLabel(download, "LocalFileLabel", "");
  LocalFileLabel->setGeometry(84, 118, w - 84, 18);
  ProgressLabel = PageLabel(download, "ProgressLabel", "");
  ProgressLabel->setGeometry(0, 140, w, 18);
  ProgressBar = new QProgressBar(download);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setTextVisible(false);
  ProgressBar->setGeometry(0, 164, w, 18);
  return download;
}

// One plain line under the page when a run ends without reaching the server or on an error.
void TUpdateForm::BuildFailureLabel() {
  const int w = Notebook->width();
  FailureLabel = new QLabel(this);
  FailureLabel->setObjectName(QStringLiteral("FailureLabel"));
  FailureLabel->setTextFormat(Qt::PlainText);
  FailureLabel->setGeometry(Notebook->x(), Notebook->geometry().bottom() + 1 - kFailureHeight + 2,
                            w, kFailureHeight - 2);
  {
    QPalette p = FailureLabel->palette();
    p.setColor(QPalette::WindowText, QColor(128, 0, 0));
    FailureLabel->setPalette(p);
  }
  FailureLabel->hide();
}

void TUpdateForm::BuildButtons() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(kPictureWidth + 8, kButtonsTop - 8, kClientWidth - kPictureWidth - 16, 2);

  auto action = [this](const char* caption, const char* name, void (TUpdateForm::*execute)()) {
    auto* a = new QAction(QString::fromLatin1(caption), this);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, execute] { (this->*execute)(); });
    return a;
  };
  NextAction = action("&Next >>", "NextAction", &TUpdateForm::NextActionExecute);
  PriorAction = action("<< &Back", "PriorAction", &TUpdateForm::PriorActionExecute);
  ContinueAction = action("&Next >>", "ContinueAction", &TUpdateForm::ContinueActionExecute);
  CancelAction = action("&Cancel", "CancelAction", &TUpdateForm::CancelActionExecute);
  FinishAction = action("&Finish", "FinishAction", &TUpdateForm::FinishActionExecute);

  auto button = [this](const char* name, int left) {
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, kButtonsTop, 75, 25);
    b->setAutoDefault(false);
    return b;
  };
  CancelBtn = button("CancelBtn", kClientWidth - 8 - 75);
  NextBtn = button("NextBtn", CancelBtn->x() - 10 - 75);
  PriorBtn = button("PriorBtn", NextBtn->x() - 75);
  // Each button triggers the action bound to it; the button mirrors the action's state.
  connect(PriorBtn, &QPushButton::clicked, PriorAction, &QAction::trigger);
  connect(NextBtn, &QPushButton::clicked, this, [this] {
    if (FNextBound) FNextBound->trigger();
  });
  connect(CancelBtn, &QPushButton::clicked, this, [this] {
    if (FCancelBound) FCancelBound->trigger();
  });
  for (QAction* a : {NextAction, PriorAction, ContinueAction, CancelAction, FinishAction})
    connect(a, &QAction::changed, this, &TUpdateForm::SyncButtons);
  BindButton(NextBtn, NextAction);
  BindButton(CancelBtn, CancelAction);
  SyncButtons();
}

void TUpdateForm::BindButton(QPushButton* button, QAction* action) {
  (button == NextBtn ? FNextBound : FCancelBound) = action;
  SyncButtons();
}

void TUpdateForm::SyncButtons() {
  auto mirror = [](QPushButton* button, QAction* action) {
    if (!action) return;
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
    button->setVisible(action->isVisible());
  };
  mirror(PriorBtn, PriorAction);
  mirror(NextBtn, FNextBound);
  mirror(CancelBtn, FCancelBound);
}

int TUpdateForm::Page() const {
  return Notebook->currentIndex();
}

void TUpdateForm::GoToPage(int page) {
  if (page < pgWelcome || page > pgComplete) return;
  Notebook->setCurrentIndex(page);
  PriorAction->setEnabled(page > pgWelcome);
  NextAction->setEnabled(page < pgComplete);
  // The buttons follow the new page before its handler lets events run.
  ActionListUpdate();
  emit PageShown(page);
  switch (page) {
    case pgRetrieve:
      ShowPage1();
      break;
    case pgSelect:
      ShowPage2();
      break;
    case pgDownload:
      ShowPage3();
      break;
    case pgComplete:
      ShowPage4();
      break;
    default:
      break;
  }
  ActionListUpdate();
}

void TUpdateForm::ActionListUpdate() {
  if (Page() == pgSelect) {
    bool any = false;
    for (const auto& u : FUpdates) any = any || u->Selected;
    if (FNextBound != ContinueAction) BindButton(NextBtn, ContinueAction);
    ContinueAction->setEnabled(!FUpdates.empty() && any);
  } else if (FNextBound != NextAction) {
    BindButton(NextBtn, NextAction);
  }
  SyncButtons();
}

void TUpdateForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FitToScreen(this, parentWidget());
  FormShow();
}

void TUpdateForm::FormShow() {
  FreeUpdates();
  ApplyEngineSettings();
  TitlePanel->setText(QStringLiteral("Welcome"));
  LocalTreeView->SetInteractive(true);
  Animate->Stop();
  FLog.clear();
  FSelectedCount = 0;
  FDoneCount = 0;
  FContinue = false;
  FStop = false;
  FRestartAccepted = false;
  FReachedServer = false;
  FProblem.clear();
  FFailure.clear();
  FailureLabel->clear();
  FailureLabel->hide();
  NextAction->setVisible(true);
  PriorAction->setVisible(true);
  ContinueAction->setVisible(true);
  BindButton(CancelBtn, CancelAction);
  BindButton(NextBtn, NextAction);
  GoToPage(pgWelcome);
}

void TUpdateForm::ApplyEngineSettings() {
  ConfigureUpdateEngine(NetUpdate, Settings);
}

void TUpdateForm::ProcessMessages() {
  QCoreApplication::processEvents();
}

void TUpdateForm::WaitForUser() {
  // The flags were cleared before the page that asks was shown, so neither a Continue nor a
  // Cancel pressed while that page appeared is lost.
  while (!FContinue && !FStop) {
    ActionListUpdate();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void TUpdateForm::NextActionExecute() {
  if (!NextAction->isEnabled()) return;
  if (!FFailure.empty()) {
    // The run is over: what is left is to say so.
    FStop = true;
    FLog += "\r\n" + FFailure;
    GoToPage(pgComplete);
    return;
  }
  GoToPage(Page() + 1);
}

void TUpdateForm::PriorActionExecute() {
  if (PriorAction->isEnabled()) GoToPage(Page() - 1);
}

void TUpdateForm::ContinueActionExecute() {
  if (!ContinueAction->isEnabled()) return;
  FContinue = true;
  BindButton(NextBtn, NextAction);
  NextAction->setEnabled(false);
}

void TUpdateForm::CancelActionExecute() {
  if (FCancelBound != CancelAction) return;  // on the Complete page the button is Finish
  // After a run that ended short, Cancel leaves the way Next does: nothing was aborted.
  if (!FFailure.empty()) return NextActionExecute();
  FStop = true;
  FLog += "\r\nUpdate process aborted by user.";
  if (Page() != pgComplete) GoToPage(pgComplete);
  ProcessMessages();
}

void TUpdateForm::FinishActionExecute() {
  FStop = true;
  close();
}

void TUpdateForm::reject() {
  // Escape is the Cancel button's shortcut, never a way out of the wizard by itself.
  CancelAction->trigger();
}

void TUpdateForm::closeEvent(QCloseEvent* event) {
  if (Page() == pgComplete && !PriorBtn->isVisible() && FStop) {
    Animate->Stop();
    QDialog::done(QDialog::Accepted);
    event->accept();
  } else {
    event->ignore();
  }
}

// --- page show handlers ---------------------------------------------------------------------

void TUpdateForm::ShowPage1() {
  TitlePanel->setText(QStringLiteral("Retrieving Information"));
  NextAction->setEnabled(false);
  PriorAction->setEnabled(false);
  ProcessMessages();
  try {
    NetUpdate.DoUpdate();
  } catch (const std::exception& e) {
    // A control file the engine cannot read to the end: reported, and the way out is Cancel.
    ResultMemo->appendPlainText(WidgetText(e.what()));
    FLog += std::string("\r\n") + e.what();
    TMessageBoxes::ShowError(this, WidgetText(e.what()));
    FProblem = e.what();
  }
  RunEndedShort();
}

// The run has returned without reaching the Complete page: it could not get the update
// information or an error stopped it. The page says so in one line and Next moves on.
void TUpdateForm::RunEndedShort() {
  if (Page() == pgComplete || FStop) return;
  // The memo above holds the details; this line says in short what they add up to.
  FFailure = !FReachedServer    ? "No update information came from the server."
             : FProblem.empty() ? "The update ended before it was complete."
                                : "The update stopped: " + FProblem + ".";
  FailureLabel->setToolTip(WidgetText(FFailure));
  FailureLabel->setText(FailureLabel->fontMetrics().elidedText(
      FailureLabel->toolTip(), Qt::ElideRight, FailureLabel->width()));
  FailureLabel->show();
  ContinueAction->setEnabled(false);
  BindButton(NextBtn, NextAction);
  NextAction->setEnabled(true);
  NextBtn->setFocus();
}

void TUpdateForm::ShowPage2() {
  TitlePanel->setText(QStringLiteral("Select Updates"));
  PriorAction->setEnabled(false);
  LocalTreeView->SetInteractive(true);
  ProcessMessages();
}

void TUpdateForm::ShowPage3() {
  TitlePanel->setText(QStringLiteral("Download Files"));
  NextAction->setEnabled(false);
  PriorAction->setEnabled(false);
  ContinueAction->setEnabled(false);
  LocalLabel->setText(QStringLiteral("Downloading:"));
  LocalFileLabel->clear();
  ProgressLabel->clear();
  ProcessMessages();
  Animate->Play();
}

void TUpdateForm::ShowPage4() {
  TitlePanel->setText(QStringLiteral("Updatewarden Complete"));
  for (QAction* a : {NextAction, PriorAction, ContinueAction}) {
    a->setEnabled(false);
    a->setVisible(false);
  }
  BindButton(CancelBtn, FinishAction);
  FailureLabel->hide();
  Animate->Stop();
  std::string text;
  if (FStop)
    text = "\r\nUpdatewarden did not complete successfully.\r\n" + FLog +
           "\r\n\r\nClick the 'Finish' button to quit Updatewarden.";
  else if (FRestartAccepted)
    text = "\r\nUpdatewarden completeed successfully.\r\n" + FLog +
           "\r\n\r\nClick the 'Finish' button to restart your application.";
  else
    text = "\r\nUpdatewarden completeed successfully.\r\n" + FLog +
           "\r\n\r\nClick the 'Finish' button to quit Updatewarden.";
  FinishLabel->setText(Shown(text));
  ProcessMessages();
}

}  // namespace lw
