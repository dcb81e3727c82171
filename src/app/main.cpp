// Ledgerwake: searches a table of business listings and shows the matches.
#include "Startup.h"

int main(int argc, char** argv) {
  return lw::RunLedgerwake(argc, argv);
}
