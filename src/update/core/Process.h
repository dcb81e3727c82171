#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace lw {

// A command line split into arguments the way the control files write them: blanks separate
// arguments, double quotes group blanks into one argument and are removed.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts the program without waiting for it, in a session of its own (so it outlives this
// process), with the current directory and environment inherited. The program is looked up
// on PATH when its name has no '/'. Returns its process id, or -1 with `error` holding the
// system's message text and `errorCode` the errno value.
pid_t StartProgram(const std::vector<std::string>& argv, std::string& error, int& errorCode);
// The same for a command line (SplitCommandLine).
pid_t StartCommandLine(const std::string& commandLine, std::string& error, int& errorCode);

// Whether the process still runs (a zombie left for its parent to collect counts as ended).
bool ProcessRunning(pid_t pid);

}  // namespace lw
