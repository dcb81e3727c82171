#include "SummaryForm.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <exception>

#include "MessageBoxes.h"
#include "PrivateSession.h"
#include "SharedData.h"
#include "SummaryCharts.h"
#include "Table.h"
#include "WidgetText.h"

namespace lw {

namespace {

constexpr const char* kTabTitles[skKindCount] = {"By State", "By Employees", "By Annual Sales",
                                                 "By SIC Group"};
constexpr const char* kChartTitles[skKindCount] = {
    "Results by state", "Results by number of employees", "Results by annual sales",
    "Results by SIC major group (first two digits of the primary SIC)"};
constexpr int kBarHeight = 20;

}  // namespace

TSummaryForm::TSummaryForm(QWidget* owner, TSharedData* sharedData)
    : QDialog(owner), FSharedData(sharedData) {
  setObjectName(QStringLiteral("SummaryForm"));
  resize(900, 600);
  StatusLabel = new QLabel(QStringLiteral("Reading the results..."), this);
  BusyBar = new QProgressBar(this);
  BusyBar->setRange(0, 0);  // busy: no share to show
  ChartTabs = new QTabWidget(this);
  ChartTabs->setObjectName(QStringLiteral("ChartTabs"));
  CopyButton = new QPushButton(QStringLiteral("&Copy"), this);
  SavePngButton = new QPushButton(QStringLiteral("Save as &PNG..."), this);
  SaveSvgButton = new QPushButton(QStringLiteral("Save as S&VG..."), this);
  CloseButton = new QPushButton(QStringLiteral("C&lose"), this);
  for (QPushButton* b : {CopyButton, SavePngButton, SaveSvgButton}) b->setEnabled(false);
  connect(CopyButton, &QPushButton::clicked, this, &TSummaryForm::CopyChart);
  connect(SavePngButton, &QPushButton::clicked, this, [this] { AskAndSave("png"); });
  connect(SaveSvgButton, &QPushButton::clicked, this, [this] { AskAndSave("svg"); });
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(StatusLabel, 1);
  top->addWidget(BusyBar);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CopyButton);
  buttons->addWidget(SavePngButton);
  buttons->addWidget(SaveSvgButton);
  buttons->addStretch(1);
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ChartTabs, 1);
  layout->addLayout(buttons);

  TTable* results = sharedData ? sharedData->ResultTable() : nullptr;
  if (!results || !results->Active()) {
    Show({}, "The result table is not open.");
    return;
  }
  FCodePage = results->FileInfo().CodePage;
  // The grid's table belongs to this thread; the reader opens the file for itself.
  FReader = std::thread(&TSummaryForm::Read, this, results->FullPath(), sharedData->DataPassword(),
                        sharedData->SourcePassword());
}

TSummaryForm::~TSummaryForm() {
  FStop = true;
  if (FReader.joinable()) FReader.join();
}

void TSummaryForm::Read(std::string path, std::string password, std::string sourcePassword) {
  TSummary summary;
  std::string failure;
  try {
    TPrivateSession own = OpenPrivateSession();
    own.Session->AddPassword(password);
    if (!sourcePassword.empty()) own.Session->AddPassword(sourcePassword);
    TTable* table = own.Session->CreateTable();
    table->SetTableName(path);
    table->SetReadOnly(true);
    table->Open();
    summary = Summarise(*table, &FStop);
  } catch (const std::exception& e) {
    failure = *e.what() ? e.what() : "Unknown Error.";
  }
  // Runs on the window's thread; the destructor joins this thread first, so the window is
  // still there when the call is queued.
  QMetaObject::invokeMethod(
      this, [this, summary = std::move(summary), failure] { Show(summary, failure); },
      Qt::QueuedConnection);
}

void TSummaryForm::Show(const TSummary& summary, const std::string& failure) {
  FDone = true;
  BusyBar->hide();
  if (!failure.empty()) {
    StatusLabel->setText(QStringLiteral("The results could not be read."));
    TMessageBoxes::ShowError(this, WidgetText(failure));
    emit Ready();
    return;
  }
  FSummary = summary;
  const QLocale locale(QLocale::English);
  StatusLabel->setText(QStringLiteral("%1 results").arg(locale.toString(qlonglong(summary.Total))));
  for (int k = 0; k < skKindCount; ++k) {
    const auto kind = static_cast<TSummaryKind>(k);
    auto* view = new QChartView(SummaryBarChart(QString::fromLatin1(kChartTitles[k]),
                                                summary.Bars[k], kind, summary.Total, FCodePage));
    view->setRenderHint(QPainter::Antialiasing);
    // Many bars scroll rather than squeeze.
    view->setMinimumHeight(120 + kBarHeight * static_cast<int>(summary.Bars[k].size()));
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(view);
    ChartTabs->addTab(scroll, QString::fromLatin1(kTabTitles[k]));
  }
  if (summary.HasPositions)
    ChartTabs->addTab(new TMapChartView(SummaryMapChart(summary)), QStringLiteral("Positions"));
  for (QPushButton* b : {CopyButton, SavePngButton, SaveSvgButton}) b->setEnabled(true);
  emit Ready();
}

QWidget* TSummaryForm::ShownChartView() const {
  QWidget* page = ChartTabs->currentWidget();
  if (auto* scroll = qobject_cast<QScrollArea*>(page)) return scroll->widget();
  return page;
}

QChart* TSummaryForm::Chart(int index) const {
  QWidget* page = ChartTabs->widget(index);
  if (auto* scroll = qobject_cast<QScrollArea*>(page)) page = scroll->widget();
  auto* view = qobject_cast<QChartView*>(page);
  return view ? view->chart() : nullptr;
}

void TSummaryForm::CopyChart() {
  if (QWidget* view = ShownChartView()) QApplication::clipboard()->setPixmap(view->grab());
}

bool TSummaryForm::SaveChart(const QString& path) {
  QWidget* view = ShownChartView();
  if (!view) return false;
  bool saved = false;
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(view->size());
    svg.setViewBox(view->rect());
    svg.setTitle(ChartTabs->tabText(ChartTabs->currentIndex()));
    QPainter painter;
    if (painter.begin(&svg)) {
      view->render(&painter);
      saved = painter.end();
    }
  } else {
    saved = view->grab().save(path, "PNG");
  }
  if (!saved) TMessageBoxes::ShowError(this, QStringLiteral("Cannot write %1.").arg(path));
  return saved;
}

void TSummaryForm::AskAndSave(const char* extension) {
  const QString ext = QString::fromLatin1(extension);
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save the chart"), QStringLiteral("summary.") + ext,
      ext.toUpper() + QStringLiteral(" pictures (*.") + ext + QStringLiteral(")"));
  if (!path.isEmpty()) SaveChart(path.endsWith(QLatin1Char('.') + ext) ? path : path + '.' + ext);
}

}  // namespace lw
