#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "LinkLabel.h"

namespace lw {

class TSharedData;

// The About window: product name and version, the logo linked to the product's home page,
// and the distributor (linked to its home page) with its contact. Shown modally.
class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  TAboutForm(QWidget* owner, TSharedData* sharedData);

  TPictureLink* ProductLogoURL;
  QLabel* ProductNameLabel;
  QLabel* AppVersionLabel;
  TLinkLabel* DistrCompanyURL;
  QLabel* DistrContactLabel;
  QPushButton* BtnOk;

  // True when the logo came from the "prod_logo" file rather than the built-in picture.
  bool LogoFromFile() const { return FLogoFromFile; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  TSharedData* FSharedData;
  bool FLogoFromFile = false;
};

// The program's file version text (FileVersion of its version block).
QString ProgramFileVersion();

}  // namespace lw
