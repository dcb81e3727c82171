#include "ExportWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "DataSource.h"
#include "ExportForm.h"

namespace lw {

void OpenExportWindow(QWidget* owner, TSharedData* sharedData, TDataSource* source,
                      const QString& caption) {
  TExportForm form(sharedData, source ? source->DataSet() : nullptr, owner);
  form.setWindowTitle(caption);
  QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QRect frame = form.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    form.move(frame.topLeft());
  }
  form.exec();
}

}  // namespace lw
