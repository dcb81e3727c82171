#include "ExportWindow.h"

#include <QWidget>

#include "DataSource.h"
#include "ExportForm.h"
#include "WindowPlacement.h"

namespace lw {

void OpenExportWindow(QWidget* owner, TSharedData* sharedData, TDataSource* source,
                      const QString& caption) {
  TExportForm form(sharedData, source ? source->DataSet() : nullptr, owner);
  form.setWindowTitle(caption);
  FitToScreen(&form);
  form.exec();
}

}  // namespace lw
