// Ledgerwake: searches a table of business listings and shows the matches.
#include "ExportHook.h"
#include "ExportWindow.h"
#include "Startup.h"

int main(int argc, char** argv) {
  lw::SetExportWindowOpener(&lw::OpenExportWindow);
  return lw::RunLedgerwake(argc, argv);
}
