#pragma once

#include <QTimer>
#include <QWidget>

namespace lw {

// The moving picture of the download page, drawn by the program itself: pages fly from a
// globe into a box while it plays; still while stopped.
class TDownloadAnimation : public QWidget {
  Q_OBJECT
 public:
  explicit TDownloadAnimation(QWidget* parent = nullptr);
  void Play();
  void Stop();
  bool Playing() const { return FTimer.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer FTimer;
  int FFrame = 0;
};

}  // namespace lw
