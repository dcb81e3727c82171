#pragma once

#include <QString>
#include <functional>
#include <string>

#include "Notifier.h"

class QWidget;

namespace lw {

// The application title: the caption of every message box, and what a second copy of the
// program asks for when it hands over to the first.
inline constexpr const char* kApplicationTitle = "Ledgerwake";

enum class TMessageKind { mkError, mkInformation, mkQuestion };

struct TMessage {
  TMessageKind Kind;
  QString Caption;
  QString Text;  // exactly as given, line breaks included
};

// Answers a message instead of showing it; for questions, true means Yes.
using TMessageHandler = std::function<bool(const TMessage& message)>;

// Every message box of the program goes through here: caption, one OK button and the stop
// icon for errors, the information icon for notices, Yes and No (No the default) for
// questions. Tests install a handler and see each message instead of a modal box.
class TMessageBoxes {
 public:
  static void ShowError(QWidget* parent, const QString& text);
  static void ShowInfo(QWidget* parent, const QString& text);
  static bool AskYesNo(QWidget* parent, const QString& text);
  // Any kind with its own caption.
  static bool Show(QWidget* parent, TMessageKind kind, const QString& caption, const QString& text);
  // Installs `handler` (null: real message boxes) and returns the previous one.
  static TMessageHandler SetHandler(TMessageHandler handler);
};

// The shared data's notifier in the program: its notices and errors become message boxes.
class TMessageBoxNotifier : public TNotifier {
 public:
  void ShowInfo(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
};

}  // namespace lw
