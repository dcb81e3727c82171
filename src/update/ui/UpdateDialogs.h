#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "NetUpdate.h"

namespace lw {

// The what's-new text an update brings: 400 x 400, the text read-only, and two buttons: go on
// (accepted) or refuse.
class TWhatsNewForm : public QDialog {
  Q_OBJECT
 public:
  TWhatsNewForm(QWidget* parent, const TWhatsNewDialog& dialog);

  QPlainTextEdit* TextMemo;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;
};

// The licence agreement of an update: the text read-only, "accept" and "do not accept" (neither
// chosen at first) and one OK button. Accepted only with OK after choosing "accept".
class TEulaForm : public QDialog {
  Q_OBJECT
 public:
  TEulaForm(QWidget* parent, const TEulaDialog& dialog);
  bool Accepted() const { return result() == QDialog::Accepted && AcceptRadio->isChecked(); }

  QPlainTextEdit* TextMemo;
  QRadioButton* AcceptRadio;
  QRadioButton* DeclineRadio;
  QPushButton* OkBtn;
};

// What the engine's dialogs are answered with in the program; tests install their own answer
// (null: the real dialogs) and get the previous one back.
using TUpdateDialogHook = std::function<bool(QDialog& dialog)>;
TUpdateDialogHook SetUpdateDialogHook(TUpdateDialogHook hook);

bool ShowWhatsNew(QWidget* parent, const TWhatsNewDialog& dialog);
bool ShowEula(QWidget* parent, const TEulaDialog& dialog);

}  // namespace lw
