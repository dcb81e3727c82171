#include "ExportHook.h"

#ifdef LW_HAVE_EXPORT_WINDOW
#include "ExportWindow.h"
#endif

namespace lw {

namespace {
TExportWindowOpener& Opener() {
  static TExportWindowOpener opener;
  return opener;
}
}  // namespace

void SetExportWindowOpener(TExportWindowOpener opener) {
  Opener() = std::move(opener);
}

const TExportWindowOpener& ExportWindowOpener() {
  return Opener();
}

bool RegisterExportWindow() {
#ifdef LW_HAVE_EXPORT_WINDOW
  SetExportWindowOpener(&OpenExportWindow);
  return true;
#else
  return false;
#endif
}

}  // namespace lw
