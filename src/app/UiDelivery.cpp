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

}  // namespace lw
