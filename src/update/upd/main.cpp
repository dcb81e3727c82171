// The updater program: started by the update engine with the process id of the program, the
// program to start again and the component files. It outlives the program, puts the new
// files in place and restarts it, writing what it did to upd.log beside itself.
#include <fstream>
#include <string>
#include <vector>

#include "Updater.h"
#include "strutil/FileUtil.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string self = lw::ProgramPath();
  if (self.empty()) self = argv[0];
  std::ofstream log(lw::ExtractFilePath(self) + "upd.log", std::ios::app);
  return lw::RunUpdater(args, log);
}
