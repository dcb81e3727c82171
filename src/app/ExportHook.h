#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace lw {

class TSharedData;
class TDataSource;

// The export window belongs to another module. When it is linked into the program it
// registers how to open it here; until then the main window's Export action stays disabled.
// The opener shows the window modally with `caption` and returns when it has closed; it
// reads the results through `source`, the grid's own cursor.
using TExportWindowOpener = std::function<void(QWidget* owner, TSharedData* sharedData,
                                               TDataSource* source, const QString& caption)>;

void SetExportWindowOpener(TExportWindowOpener opener);
const TExportWindowOpener& ExportWindowOpener();
// Registers the export window of this build, when it has one; true when it did.
bool RegisterExportWindow();

}  // namespace lw
