#include "RecordForm.h"

#include <QApplication>
#include <QFrame>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "DataSource.h"
#include "Icons.h"
#include "PositionFields.h"
#include "SharedData.h"
#include "Table.h"
#include "WidgetText.h"
#include "WindowPlacement.h"

namespace lw {

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMaroon(128, 0, 0);
const QColor kNavy(0, 0, 128);
constexpr int kValueX = 120;
constexpr int kValueWidth = 350;
constexpr int kLineHeight = 18;
constexpr QSize kCardSize(480, 369);

QFont ArialPixels(int pixels) {
  QFont f(QStringLiteral("Arial"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixels);
  return f;
}

void SetTextColor(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  w->setPalette(p);
}

}  // namespace

TRecordForm::TRecordForm(QWidget* owner, TSharedData* sharedData, TDataSource* dataSource)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      FSharedData(sharedData),
      FDataSource(dataSource) {
  FColumns.fill(-1);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setObjectName(QStringLiteral("TRecordForm"));
  // The card keeps its size; on a screen too small for it (a large scale factor) the window
  // shrinks and scrolls the card instead of hiding its navigator below the screen's edge.
  resize(kCardSize);
  setMaximumSize(kCardSize);
  auto* scroller = new QScrollArea(this);
  scroller->setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroller);
  FPanel = new QFrame;
  FPanel->setFixedSize(kCardSize);
  FPanel->setAutoFillBackground(true);
  FPanel->setBackgroundRole(QPalette::Window);
  scroller->setWidget(FPanel);

  BuildCard();
  BuildButtons();
}

// The business card: a caption and a value per line, in three headed groups.
void TRecordForm::BuildCard() {
  CompanyLabel = AddValue<QLabel>(10, 6, 460);
  {
    QFont f = ArialPixels(16);
    f.setBold(true);
    CompanyLabel->setFont(f);
    CompanyLabel->setFixedHeight(20);
    SetTextColor(CompanyLabel, kNavy);
  }
  AddHeading("General Information", 28);
  AddCaption("Address:", 50);
  Address1Label = AddValue<QLabel>(kValueX, 50, kValueWidth);
  Address2Label = AddValue<QLabel>(kValueX, 70, kValueWidth);
  AddCaption("Phone:", 90);
  TelLabel = AddValue<QLabel>(kValueX, 90, kValueWidth);
  AddCaption("Fax:", 110);
  FaxLabel = AddValue<QLabel>(kValueX, 110, kValueWidth);
  AddCaption("E-Mail Address:", 130);
  EmailLabel = AddValue<TLinkLabel>(kValueX, 130, kValueWidth);
  AddCaption("Web/Provider Site:", 150);
  WebLabel = AddValue<TLinkLabel>(kValueX, 150, kValueWidth);
  AddHeading("Contact Information", 172);
  AddCaption("First Contact:", 194);
  ContactLabel = AddValue<QLabel>(kValueX, 194, kValueWidth);
  AddCaption("Second Contact:", 214);
  Contact2Label = AddValue<QLabel>(kValueX, 214, kValueWidth);
  AddHeading("Company Information", 236);
  AddCaption("Employees:", 258);
  EmployeesLabel = AddValue<QLabel>(kValueX, 258, kValueWidth);
  AddCaption("Annual Sales:", 278);
  SalesLabel = AddValue<QLabel>(kValueX, 278, kValueWidth);
  AddCaption("SIC Description:", 298);
  SICDescLabel = AddValue<QLabel>(kValueX, 298, kValueWidth);
  AddCaption("Primary SIC:", 318);
  SICLabel = AddValue<QLabel>(kValueX, 318, 300);
  SIC2Label = AddValue<QLabel>(kValueX, 338, 220);
}

// The navigator, Find nearby and Close, on the card itself.
void TRecordForm::BuildButtons() {
  DBNavigator = new TDBNavigator(FPanel);
  DBNavigator->setGeometry(343, 335, 100, 25);
  connect(DBNavigator, &TDBNavigator::Clicked, this, [this] { FillLines(); });
  connect(DBNavigator, &TDBNavigator::RowsChanged, this, &TRecordForm::RowsChanged);

  FindNearbyAction = new QAction(QStringLiteral("Find &nearby"), this);
  FindNearbyAction->setObjectName(QStringLiteral("FindNearbyAction"));
  connect(FindNearbyAction, &QAction::triggered, this, [this] {
    if (!FCentre.isEmpty()) emit FindNearby(FCentre);
  });
  FindNearbyBtn = new QToolButton(FPanel);
  FindNearbyBtn->setDefaultAction(FindNearbyAction);
  FindNearbyBtn->setGeometry(362, 28, 108, 20);

  BtnClose = new QToolButton(FPanel);
  BtnClose->setGeometry(448, 335, 25, 25);
  BtnClose->setIcon(ProgramIcon(QStringLiteral("close")));
  BtnClose->setIconSize(QSize(16, 16));
  BtnClose->setToolTip(QStringLiteral("Close"));
  connect(BtnClose, &QToolButton::clicked, this, &QDialog::close);
}

TRecordForm* TRecordForm::Find(const QString& caption) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    // A closed view lingers until its deferred deletion; it no longer counts.
    auto* form = qobject_cast<TRecordForm*>(w);
    if (form && form->isVisible() && form->windowTitle() == caption) return form;
  }
  return nullptr;
}

QLabel* TRecordForm::AddCaption(const char* text, int y) {
  auto* label = new QLabel(QString::fromLatin1(text), FPanel);
  label->setFont(ArialPixels(13));
  SetTextColor(label, kTeal);
  label->setGeometry(10, y, kValueX - 12, kLineHeight);
  return label;
}

void TRecordForm::AddHeading(const char* text, int y) {
  auto* label = new QLabel(QString::fromLatin1(text), FPanel);
  QFont f = ArialPixels(15);
  f.setBold(true);
  f.setItalic(true);
  f.setUnderline(true);
  label->setFont(f);
  SetTextColor(label, kMaroon);
  label->setGeometry(10, y, 300, 20);
}

template <typename TLabel>
TLabel* TRecordForm::AddValue(int x, int y, int width) {
  auto* label = new TLabel(FPanel);
  QFont f = ArialPixels(13);
  f.setUnderline(std::is_same_v<TLabel, TLinkLabel>);
  label->setFont(f);
  label->setGeometry(x, y, width, kLineHeight);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(std::is_same_v<TLabel, TLinkLabel> ? Qt::NoTextInteraction
                                                                    : Qt::TextSelectableByMouse);
  return label;
}

void TRecordForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (!FPlaced) {
    FPlaced = true;
    FitToScreen(this);
  }
  FormShow();
}

void TRecordForm::FormShow() {
  if (!FSharedData) {
    QTimer::singleShot(0, this, &QDialog::close);
    return;
  }
  ReadColumns();
  DBNavigator->SetDataSource(FDataSource);
  FillLines();
}

void TRecordForm::ReadColumns() {
  FColumns.fill(-1);
  TIniFile* ini = FSharedData ? FSharedData->ConfigIni() : nullptr;
  if (!ini) return;
  for (int i = 0; i < kRecordColumnCount; ++i) {
    const long value = ini->ReadInteger("Record View", "Col" + std::to_string(i), -1);
    FColumns[static_cast<size_t>(i)] = value < 0 ? -1 : static_cast<int>(value);
  }
}

void TRecordForm::RowsChanged() {
  // The lines follow the navigator only, but a record that is no longer in the table (after
  // Clear or a new search) must not stay on the card as if it were.
  TDataSource* source = DBNavigator->DataSource();
  TTable* table = source ? source->DataSet() : nullptr;
  if (!table || !table->Active() || table->RecordCount() == 0) FillLines();
}

void TRecordForm::FillLines() {
  for (QLabel* l : {CompanyLabel, Address1Label, Address2Label, TelLabel, FaxLabel,
                    static_cast<QLabel*>(EmailLabel), static_cast<QLabel*>(WebLabel), ContactLabel,
                    Contact2Label, EmployeesLabel, SalesLabel, SICDescLabel, SICLabel, SIC2Label})
    l->clear();
  EmailLabel->SetTarget({});
  WebLabel->SetTarget({});

  TDataSource* source = DBNavigator->DataSource();
  TTable* table = source ? source->DataSet() : nullptr;
  int codePage = kDefaultCodePage;
  TRecordLines lines;
  if (table && table->Active() && table->RecNo() > 0) {
    try {
      codePage = table->FileInfo().CodePage;
    } catch (...) {
    }
    lines = ComposeRecordLines(
        FColumns, [table](int position) { return table->Fields(position).AsString(); });
  }
  ShowPosition(table);
  auto text = [codePage](const std::string& s) { return WidgetText(s, codePage); };
  CompanyLabel->setText(text(lines.Company));
  Address1Label->setText(text(lines.Address1));
  Address2Label->setText(text(lines.Address2));
  TelLabel->setText(text(lines.Tel));
  FaxLabel->setText(text(lines.Fax));
  EmailLabel->setText(text(lines.Email));
  EmailLabel->SetTarget(QStringLiteral("mailto: ") + EmailLabel->text());
  WebLabel->setText(text(lines.Web));
  WebLabel->SetTarget(WebLabel->text());
  ContactLabel->setText(text(lines.Contact));
  Contact2Label->setText(text(lines.Contact2));
  EmployeesLabel->setText(text(lines.Employees));
  SalesLabel->setText(text(lines.Sales));
  SICDescLabel->setText(text(lines.SICDesc));
  SICLabel->setText(text(lines.SIC));
  SIC2Label->setText(text(lines.SIC2));
  // Each label carries its full text as a tooltip: a long company name or e-mail address
  // does not fit the card's fixed width.
  for (QLabel* l : {CompanyLabel, Address1Label, Address2Label, static_cast<QLabel*>(EmailLabel),
                    static_cast<QLabel*>(WebLabel), SICDescLabel})
    l->setToolTip(l->text());
  repaint();
}

// The result table carries the source's fields, positions included when the source has them.
void TRecordForm::ShowPosition(TTable* table) {
  FCentre.clear();
  double latitude = 0, longitude = 0;
  try {
    if (table && table->Active() && table->RecNo() > 0 &&
        ReadPosition(*table, FindPositionFields(*table), latitude, longitude))
      FCentre = QStringLiteral("%1,%2").arg(latitude, 0, 'f', 5).arg(longitude, 0, 'f', 5);
  } catch (const std::exception&) {
    // A position that cannot be read is no position.
  }
  FindNearbyAction->setEnabled(!FCentre.isEmpty());
  FindNearbyAction->setToolTip(
      FCentre.isEmpty()
          ? QStringLiteral("This record has no position (LATITUDE and LONGITUDE)")
          : QStringLiteral("Search around this company: its position goes to the main window's "
                           "\"miles of\" box"));
}

}  // namespace lw
