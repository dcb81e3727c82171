#include "ProxyForm.h"

#include <QLabel>
#include <QShowEvent>

#include "MessageBoxes.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "WidgetText.h"
#include "WindowPlacement.h"

namespace lw {

TProxyForm::TProxyForm(QWidget* owner, TSharedData* sharedData)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FSharedData(sharedData) {
  setObjectName(QStringLiteral("TProxyForm"));
  setWindowTitle(QString::fromLatin1(kApplicationTitle) + QStringLiteral(" - Proxy Settings"));
  setFixedSize(361, 68);
  setModal(true);

  auto* hostLabel = new QLabel(QStringLiteral("Proxy Host:"), this);
  hostLabel->setGeometry(8, 12, 80, 21);
  HostEdit = new QLineEdit(this);
  HostEdit->setObjectName(QStringLiteral("HostEdit"));
  HostEdit->setGeometry(88, 10, 180, 23);
  hostLabel->setBuddy(HostEdit);

  auto* portLabel = new QLabel(QStringLiteral("Proxy Port:"), this);
  portLabel->setGeometry(8, 40, 80, 21);
  PortEdit = new QLineEdit(this);
  PortEdit->setObjectName(QStringLiteral("PortEdit"));
  PortEdit->setGeometry(88, 38, 180, 23);
  portLabel->setBuddy(PortEdit);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(278, 36, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &TProxyForm::BitBtn1Click);
}

void TProxyForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FitToScreen(this, parentWidget());
  FormShow();
}

void TProxyForm::FormShow() {
  if (!FSharedData) return;
  HostEdit->setText(WidgetText(FSharedData->Params().Value(keys::kAppProxyHost)));
  PortEdit->setText(WidgetText(FSharedData->Params().Value(keys::kAppProxyPort)));
}

void TProxyForm::BitBtn1Click() {
  if (FSharedData) {
    FSharedData->Params().SetValue(keys::kAppProxyHost, TableBytes(HostEdit->text()));
    FSharedData->Params().SetValue(keys::kAppProxyPort, TableBytes(PortEdit->text()));
  }
  accept();
}

}  // namespace lw
