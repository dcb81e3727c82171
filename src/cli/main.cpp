// ledgerwake-cli: the commands live in the lw_cli library, so that tests run them too.
#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv) {
  return lw::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc));
}
