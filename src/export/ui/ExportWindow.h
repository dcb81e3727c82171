#pragma once

#include <QString>

class QWidget;

namespace lw {

class TDataSource;
class TSharedData;

// Opens the export window modally over `owner`, centred on the screen, with `caption`, on the
// table of `source` (the grid's cursor; null: the shared data's result table), and returns
// when it has closed. The window is discarded then.
void OpenExportWindow(QWidget* owner, TSharedData* sharedData, TDataSource* source,
                      const QString& caption);

}  // namespace lw
