#include "UiDelivery.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace lw {

TRunAndWait UiRunAndWait() {
  return [](const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
      work();
      return;
    }
    // The application object lives until the program ends, so it is always there to receive
    // the call; whoever the work reaches checks for itself that it still exists.
    QMetaObject::invokeMethod(
        app, [&work] { work(); }, Qt::BlockingQueuedConnection);
  };
}

TWindowDelivery::TWindowDelivery(TRunAndWait runAndWait, std::chrono::milliseconds progressInterval)
    : TCoalescingDelivery(std::move(runAndWait)), FProgressInterval(progressInterval) {}

void TWindowDelivery::Deliver(TThreadAction action, int percent, const TShowEvent& show) {
  if (action == taStarted) FProgressShown = false;
  // The base policy decides first (it passes a progress event on only when the percent has
  // changed, at most about a hundred times a search), so the clock is read that seldom.
  TCoalescingDelivery::Deliver(action, percent, [this, &show](TThreadAction kind) {
    if (kind == taProgress) {
      const auto now = std::chrono::steady_clock::now();
      if (FProgressShown && now - FLastProgress < FProgressInterval) return;
      FProgressShown = true;
      FLastProgress = now;
    }
    show(kind);
  });
}

}  // namespace lw
