#pragma once

#include <string>

namespace lw {

// The numbered messages of an update run: text (with one "%s" at most), the kind of the
// message (status code) and its usual error code. 909 to 911 are question texts and carry no
// codes; 944 is never reported. 951 (status code 16) refuses an update that would change an
// installed copy.
struct TUpdateStatusText {
  int Id;
  const char* Text;
  int StatusCode;
  int ErrorCode;
};

// The message with this id; a message "Unknown status <id>" with codes 0 for an unknown id.
TUpdateStatusText UpdateStatusText(int id);
// The text with its "%s" replaced by `arg` (the text alone when it has none).
std::string FormatUpdateStatus(int id, const std::string& arg);

}  // namespace lw
