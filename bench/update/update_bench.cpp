// update-bench download URL DIR   one engine download (HTTP mode) into DIR
// update-bench cab CABINET DIR     one cabinet extraction into DIR
// Prints "seconds=S bytes=N" for run.sh.
#include <chrono>
#include <cstdio>
#include <string>

#include "CabExtract.h"
#include "NetUpdate.h"
#include "Versions.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: update-bench download URL DIR | cab CABINET DIR\n", stderr);
    return 2;
  }
  const std::string mode = argv[1], source = argv[2], dir = argv[3];
  const auto start = std::chrono::steady_clock::now();
  bool ok = false;
  if (mode == "download") {
    lw::TNetUpdate engine;
    engine.UpdateType = lw::httpUpdate;
    ok = engine.URLGetFile(source, false, dir + "/");
  } else if (mode == "cab") {
    std::string error;
    ok = lw::CabExtract(source, dir, &error) == 0;
    if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!ok) return 1;
  std::printf("seconds=%.6f\n", took.count());
  return 0;
}
