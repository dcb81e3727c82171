#include "MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "WidgetText.h"

namespace lw {

namespace {

TMessageHandler& CurrentHandler() {
  static TMessageHandler handler;
  return handler;
}

// Texts built on the old platform break lines with CR LF and often start with one (the
// start-up errors); a box shows them without a blank first line.
QString DisplayText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  while (shown.startsWith(QLatin1Char('\n'))) shown.remove(0, 1);
  while (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
  return shown;
}

}  // namespace

bool TMessageBoxes::Show(QWidget* parent, TMessageKind kind, const QString& caption,
                         const QString& text) {
  if (CurrentHandler()) return CurrentHandler()(TMessage{kind, caption, text});
  QMessageBox box(parent);
  box.setWindowTitle(caption);
  box.setText(DisplayText(text));
  box.setTextFormat(Qt::PlainText);
  switch (kind) {
    case TMessageKind::mkError:
      box.setIcon(QMessageBox::Critical);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case TMessageKind::mkInformation:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case TMessageKind::mkQuestion:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::No);
      break;
  }
  return box.exec() == QMessageBox::Yes;
}

void TMessageBoxes::ShowError(QWidget* parent, const QString& text) {
  Show(parent, TMessageKind::mkError, QString::fromLatin1(kApplicationTitle), text);
}

void TMessageBoxes::ShowInfo(QWidget* parent, const QString& text) {
  Show(parent, TMessageKind::mkInformation, QString::fromLatin1(kApplicationTitle), text);
}

bool TMessageBoxes::AskYesNo(QWidget* parent, const QString& text) {
  return Show(parent, TMessageKind::mkQuestion, QString::fromLatin1(kApplicationTitle), text);
}

TMessageHandler TMessageBoxes::SetHandler(TMessageHandler handler) {
  TMessageHandler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

void TMessageBoxNotifier::ShowInfo(const std::string& caption, const std::string& text) {
  TMessageBoxes::Show(QApplication::activeWindow(), TMessageKind::mkInformation,
                      WidgetText(caption), WidgetText(text));
}

void TMessageBoxNotifier::ShowError(const std::string& caption, const std::string& text) {
  TMessageBoxes::Show(QApplication::activeWindow(), TMessageKind::mkError, WidgetText(caption),
                      WidgetText(text));
}

bool TMessageBoxNotifier::AskYesNo(const std::string& caption, const std::string& text) {
  return TMessageBoxes::Show(QApplication::activeWindow(), TMessageKind::mkQuestion,
                             WidgetText(caption), WidgetText(text));
}

}  // namespace lw
