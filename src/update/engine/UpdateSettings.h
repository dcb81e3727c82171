#pragma once

#include <string>
#include <vector>

#include "Layout.h"

namespace lw {

class TNetUpdate;
class TParams;

// What the program's settings say about updates; the update window and the command take
// them from here, so both run the engine alike.
struct TUpdateSettings {
  std::string ControlUrl;  // the configured control file (prod_dupdateurl)
  // The minisign public key the control file must be signed with: prod_updatekey of the
  // setup file, else the key built into the program; "" when neither has one.
  std::string PublicKey;
  TLayout Layout;
  // {APP} of a portable program that runs elsewhere than its own directory; "" keeps the
  // current directory.
  std::string AppDirectory;
};

TUpdateSettings UpdateSettingsFrom(const TParams& params, const TLayout& layout);

// The engine as the program runs it: HTTP, no dialling, no prompts of its own (the owner
// chooses the files), no remembered address, no POST, cabinets left packed; the control file,
// key and layout from `settings`.
void ConfigureUpdateEngine(TNetUpdate& engine, const TUpdateSettings& settings);

// The variables a control file may name between '<' and '>': "br" (a line break) and
// "prod_dupdateurl" (the configured control file), as "name=value" entries.
std::vector<std::string> UpdateVariables(const TUpdateSettings& settings);
// Every "<name>" of `variables` in `path` replaced by its value.
void ReplaceUpdateVariables(std::string& path, const std::vector<std::string>& variables);

}  // namespace lw
