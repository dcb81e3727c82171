#pragma once

// The update wizard driven from the real main window (see UpdateDriver.cpp).
namespace lw {
// "update" and "version" modes of lw-gui-driver; -1 when argv[1] is neither.
int UpdateDriverMain(int argc, char** argv);
}  // namespace lw
