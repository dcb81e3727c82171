#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace lw {

class TSharedData;

// The proxy settings dialog: the host and port the news fetch goes through. OK stores both
// texts exactly as typed; closing the dialog any other way stores nothing.
class TProxyForm : public QDialog {
  Q_OBJECT
 public:
  TProxyForm(QWidget* owner, TSharedData* sharedData);

  QLineEdit* HostEdit;
  QLineEdit* PortEdit;
  QPushButton* BitBtn1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void BitBtn1Click();

  TSharedData* FSharedData;
};

}  // namespace lw
