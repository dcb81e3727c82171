// A program that updates itself: "testprog <out file> <control file URL> <updater> <public key>"
// writes its version to the out file, then (version 1 only) runs the update engine, which replaces
// this very executable and restarts it through the updater.
#include <cstdio>
#include <fstream>
#include <string>

#include "NetUpdate.h"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  std::ofstream(argv[1], std::ios::app) << "version " << LW_TESTPROG_VERSION << "\n";
  if (std::string(LW_TESTPROG_VERSION) != "1") return 0;
  lw::TNetUpdate engine;
  engine.UpdateType = lw::httpUpdate;
  engine.UpdateUpdate = lw::nuuSilent;
  engine.URL = argv[2];
  engine.UpdaterProgram = argv[3];
  if (argc > 4) engine.UpdatePublicKey = argv[4];
  engine.ConnectedCheck = [] { return true; };
  engine.OnStatus = [&](const std::string& text, int code, int err) {
    std::ofstream(argv[1], std::ios::app) << "[" << code << " - " << err << "] " << text << "\n";
  };
  engine.DoUpdate();  // ends the process itself when the restart is due
  return 1;
}
