#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace lw::publish {

enum class TPacking { None, Lz, Cabinet };

struct TPublishOptions {
  std::string SourceDir;           // the files to publish, each directly in it
  std::string BaseUrl;             // where the published files will be served from
  std::string KeyFile;             // an unencrypted minisign secret key
  std::string Out = "update.inf";  // the control file; the published files go beside it
  TPacking Packing = TPacking::None;
  std::string TargetDir = "{APP}";         // where the engine puts the files
  std::string Date;                        // "dd/mm/yyyy" or "today"; empty: unconditional
  std::vector<std::string> AppComponents;  // files of the running program, swapped at restart
  std::string AppName;  // the program restarted afterwards; default: the first component
};

// Writes the published files, the control file and its signature ("<Out>.minisig"), and one
// line per file and a summary to `report`. Nothing is published when an option or a file
// cannot be used; throws with a message.
void Publish(const TPublishOptions& options, std::ostream& report);

}  // namespace lw::publish
