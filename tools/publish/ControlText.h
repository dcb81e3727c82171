#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lw::publish {

// One published file as the control file describes it.
struct TControlEntry {
  std::string Name;       // as installed
  std::string Published;  // as served (packed, or "<name>_new" for a program component)
  std::string Url;
  bool Compressed = false;  // LZ-packed: the engine expands it after the download
  bool Component = false;   // swapped into place by the updater at the restart
  std::string Version;      // of its version block; "" when it has none
  int32_t Checksum = -1;    // of the installed file, the criterion without a version
  int64_t Size = 0;         // as served
  std::string Sha256;       // as served
};

struct TControlOptions {
  std::string Date;       // dd/mm/yyyy; "" for an unconditional update
  std::string TargetDir;  // for every entry
  std::string AppName;    // with components: the program restarted; default the first one
};

// The control file's text (INI) for the entries, in their order.
std::string ControlText(const TControlOptions& options, const std::vector<TControlEntry>& entries);

}  // namespace lw::publish
