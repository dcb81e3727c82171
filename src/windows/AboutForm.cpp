#include "AboutForm.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "Icons.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "WidgetText.h"
#include "WindowPlacement.h"
#include "strutil/FileUtil.h"
#include "strutil/VersionInfo.h"

namespace lw {

namespace {

const QColor kPurple(128, 0, 128);
const QColor kNavy(0, 0, 128);

QString Setting(TSharedData* shared, const char* key) {
  return WidgetText(shared->Params().Value(key));
}

}  // namespace

QString ProgramFileVersion() {
  std::string version = FileVer(ProgramPath());
  // A program of ours linked without its version block still has the build's values.
  if (version.empty()) version = BuiltInVersionInfo().FileVersion;
  return WidgetText(version);
}

TAboutForm::TAboutForm(QWidget* owner, TSharedData* sharedData)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      FSharedData(sharedData) {
  setObjectName(QStringLiteral("TAboutForm"));
  setFixedSize(408, 327);
  setModal(true);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  auto* mainPanel = new QFrame(this);
  mainPanel->setFrameShape(QFrame::StyledPanel);
  mainPanel->setFrameShadow(QFrame::Sunken);
  mainPanel->setAutoFillBackground(true);
  {
    QPalette p = mainPanel->palette();
    p.setColor(QPalette::Window, Qt::white);
    mainPanel->setPalette(p);
  }
  outer->addWidget(mainPanel, 1);

  ProductLogoURL = new TPictureLink(mainPanel);
  ProductLogoURL->setGeometry(10, 10, 110, 190);
  ProductLogoURL->setPixmap(
      ProgramPicture(QStringLiteral("logo"), QSize(110, 190), devicePixelRatioF()));

  ProductNameLabel = new QLabel(mainPanel);
  {
    QFont f = ProductNameLabel->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    ProductNameLabel->setFont(f);
    QPalette p = ProductNameLabel->palette();
    p.setColor(QPalette::WindowText, kNavy);
    ProductNameLabel->setPalette(p);
  }
  ProductNameLabel->setGeometry(135, 14, 250, 28);

  AppVersionLabel = new QLabel(mainPanel);
  AppVersionLabel->setGeometry(150, 46, 235, 20);

  auto* rule = new QFrame(mainPanel);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(135, 78, 245, 2);

  auto* distributedBy = new QLabel(QStringLiteral("Distributed by"), mainPanel);
  {
    QPalette p = distributedBy->palette();
    p.setColor(QPalette::WindowText, QColor(96, 96, 96));
    distributedBy->setPalette(p);
  }
  distributedBy->setGeometry(135, 92, 245, 18);

  DistrCompanyURL = new TLinkLabel(mainPanel);
  DistrCompanyURL->SetColors(kPurple, kNavy);
  DistrCompanyURL->setGeometry(135, 112, 245, 20);
  DistrCompanyURL->setWordWrap(false);

  DistrContactLabel = new QLabel(mainPanel);
  DistrContactLabel->setGeometry(135, 134, 245, 20);

  BtnOk = new QPushButton(QStringLiteral("Ok"), this);
  BtnOk->setDefault(true);
  BtnOk->setMinimumWidth(84);
  connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BtnOk);
  outer->addLayout(buttons);
}

void TAboutForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FitToScreen(this);
  FormShow();
}

void TAboutForm::FormShow() {
  if (!FSharedData) {
    QTimer::singleShot(0, this, &QDialog::reject);
    return;
  }
  ProductNameLabel->setText(Setting(FSharedData, keys::kProductName) + QChar(0x00AE));
  AppVersionLabel->setText(QStringLiteral("Version: ") + ProgramFileVersion());

  FLogoFromFile = false;
  const std::string logo = FSharedData->Params().Value(keys::kProductLogo);
  const std::string logoPath = FSharedData->AppSrcDir() + logo;
  if (!logo.empty() && FileExists(logoPath)) {
    QPixmap picture(QString::fromLocal8Bit(logoPath.c_str()));
    if (!picture.isNull()) {
      ProductLogoURL->setPixmap(
          picture.scaled(ProductLogoURL->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
      FLogoFromFile = true;
    }
  }
  ProductLogoURL->SetTarget(Setting(FSharedData, keys::kProductUrl));

  const QString company = Setting(FSharedData, keys::kDistCompany);
  DistrCompanyURL->setText(company);
  DistrCompanyURL->setToolTip(company + QStringLiteral(" Home Page"));
  DistrCompanyURL->SetTarget(Setting(FSharedData, keys::kDistUrl));
  DistrContactLabel->setText(Setting(FSharedData, keys::kDistContact));
  BtnOk->setFocus();
}

}  // namespace lw
