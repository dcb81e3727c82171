#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lw {

// What the updater program does, given its arguments (without the program name):
//   1. the first argument must be a decimal process id, otherwise nothing is done;
//   2. wait until that process has ended;
//   3. each argument from the third on names a component: "<name>_NEW" (any case) is renamed
//      over "<name>" in one step (the old file keeps working until the new one is in place;
//      the old file's permissions carry over), a ".CAB" is extracted into the current
//      directory and deleted when that worked, anything else is LZ-expanded beside itself;
//   4. unless the second argument is "null" (or empty), it is started again.
// Every step and every failure is written to `log`. A failed component does not stop the
// others or the restart. Returns 0 when every step worked, 1 otherwise, 2 for a bad command
// line.
struct TUpdaterOptions {
  // Sleeps between checks of the process (tests shorten it).
  int PollMilliseconds = 100;
};
int RunUpdater(const std::vector<std::string>& args, std::ostream& log,
               const TUpdaterOptions& options = {});

}  // namespace lw
