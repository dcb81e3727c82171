#include "ExportHook.h"

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

}  // namespace lw
