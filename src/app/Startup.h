#pragma once

namespace lw {

// The program: one copy per user (a second start brings the first to the front and ends
// with 0), then the main window until it closes. Start-up errors are shown in one box and
// end the program. Returns the exit code (0).
//
// Options: --home DIR runs from DIR instead of the executable's directory (the sample
// table, the result table and the settings files are looked for there); a TABLE operand is
// searched in this session instead of the medium's or the sample table. --help and
// --version print on stdout and return before any window system is needed; a command line
// that does not fit prints the usage on stderr and returns 2.
int RunLedgerwake(int argc, char** argv);

}  // namespace lw
