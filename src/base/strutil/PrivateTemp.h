#pragma once

#include <string>

namespace lw {

// A temporary directory (with trailing '/') that no other user can write, for files the
// program later reads back or runs (an update's control file, the updater it starts).
//
// $TMPDIR (else /tmp) itself when it is ours and closed to others; otherwise, as in a shared
// /tmp, our own directory inside it, "ledgerwake-<uid>", created with mode 0700 and used only
// when it is a real directory that we own and no one else can enter. Someone else's file or
// link under that name gets a fresh directory of our own (mkdtemp) instead, or, when the root
// has no room for one, $XDG_CACHE_HOME/ledgerwake/tmp. Never a directory someone else could
// have prepared: throws std::runtime_error when there is none. The same root gives the same
// directory for the rest of the process.
std::string PrivateTempDirectory();

}  // namespace lw
