#pragma once

namespace lw {

// The program: one copy per user (a second start brings the first to the front and ends
// with 0), then the main window until it closes. Start-up errors are shown in one box and
// end the program. Returns the exit code (0).
//
// Options: --home DIR runs from DIR instead of the executable's directory (the sample
// table, the result table and the settings files are looked for there).
int RunLedgerwake(int argc, char** argv);

}  // namespace lw
