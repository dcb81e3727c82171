#include "UpdateDialogs.h"

#include <QButtonGroup>

#include "WidgetText.h"
#include "WindowPlacement.h"

namespace lw {

namespace {

TUpdateDialogHook& Hook() {
  static TUpdateDialogHook hook;
  return hook;
}

// The frame both dialogs share: 400 x 400, fixed, centred on the screen, the text box at
// 10,10 filling the client area less 20 across and 60 down.
QPlainTextEdit* Frame(QDialog& dialog, const std::string& caption, const std::string& text) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint);
  dialog.setWindowTitle(WidgetText(caption));
  dialog.setFixedSize(400, 400);
  FitToScreen(&dialog);
  auto* memo = new QPlainTextEdit(&dialog);
  memo->setObjectName(QStringLiteral("TextMemo"));
  memo->setReadOnly(true);
  memo->setGeometry(10, 10, dialog.width() - 20, dialog.height() - 60);
  memo->setPlainText(WidgetText(text));
  return memo;
}

QPushButton* Button(QDialog& dialog, const std::string& caption, const char* name) {
  auto* button = new QPushButton(WidgetText(caption), &dialog);
  button->setObjectName(QString::fromLatin1(name));
  button->resize(75, 25);
  return button;
}

bool Run(QDialog& dialog) {
  if (Hook()) return Hook()(dialog);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

TWhatsNewForm::TWhatsNewForm(QWidget* parent, const TWhatsNewDialog& dialog) : QDialog(parent) {
  TextMemo = Frame(*this, dialog.Caption, dialog.Text);
  const QRect text = TextMemo->geometry();
  CancelBtn = Button(*this, dialog.CancelCaption, "CancelBtn");
  CancelBtn->move(text.right() + 1 - CancelBtn->width(), text.bottom() + 1 + 10);
  OkBtn = Button(*this, dialog.OkCaption, "OkBtn");
  OkBtn->move(CancelBtn->x() - 10 - OkBtn->width(), CancelBtn->y());
  OkBtn->setDefault(true);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TEulaForm::TEulaForm(QWidget* parent, const TEulaDialog& dialog) : QDialog(parent) {
  TextMemo = Frame(*this, dialog.Caption, dialog.Text);
  const QRect text = TextMemo->geometry();
  OkBtn = Button(*this, dialog.OkCaption, "OkBtn");
  OkBtn->move(text.right() + 1 - OkBtn->width(), text.bottom() + 1 + 10);
  AcceptRadio = new QRadioButton(WidgetText(dialog.AcceptCaption), this);
  AcceptRadio->setObjectName(QStringLiteral("AcceptRadio"));
  AcceptRadio->adjustSize();
  AcceptRadio->move(10, OkBtn->y() + (OkBtn->height() - AcceptRadio->height()) / 2);
  DeclineRadio = new QRadioButton(WidgetText(dialog.DeclineCaption), this);
  DeclineRadio->setObjectName(QStringLiteral("DeclineRadio"));
  DeclineRadio->adjustSize();
  DeclineRadio->move(AcceptRadio->x() + AcceptRadio->width() + 20, AcceptRadio->y());
  // One group so that the two exclude each other while neither is chosen at first.
  auto* group = new QButtonGroup(this);
  group->addButton(AcceptRadio);
  group->addButton(DeclineRadio);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
}

TUpdateDialogHook SetUpdateDialogHook(TUpdateDialogHook hook) {
  TUpdateDialogHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

bool ShowWhatsNew(QWidget* parent, const TWhatsNewDialog& dialog) {
  TWhatsNewForm form(parent, dialog);
  return Run(form);
}

bool ShowEula(QWidget* parent, const TEulaDialog& dialog) {
  TEulaForm form(parent, dialog);
  return Run(form) && form.AcceptRadio->isChecked();
}

}  // namespace lw
