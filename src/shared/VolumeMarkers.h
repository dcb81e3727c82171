#pragma once

#include <string>

namespace lw {

// The volume label (already upper-cased) of a distribution medium: exactly "TALVERN", or
// containing "QUORAHTALVERNWYST" or "QUORAHFENMOTWYST".
bool HasVolumeMarker(const std::string& upperLabel);

}  // namespace lw
