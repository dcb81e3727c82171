#pragma once

namespace lw::cli {

// The ways a user stops a command from outside: Ctrl+C (SIGINT), kill (SIGTERM) and a reader
// that went away (a closed pipe, SIGPIPE). While an instance lives these signals only record
// themselves, so that a long command stops its work the way Abort does, tidies up (the
// result table emptied) and ends quietly with the shell's status for the signal.
class TStopSignals {
 public:
  TStopSignals();
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  // The first stop signal received, 0 while none was.
  static int Received();
  // 128 + the signal: 130 for SIGINT, 141 for SIGPIPE, 143 for SIGTERM.
  static int ExitStatus();
  // Forgets a received signal (for a new run in the same process).
  static void Clear();
};

}  // namespace lw::cli
