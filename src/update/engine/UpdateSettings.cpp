#include "UpdateSettings.h"

#include "NetUpdate.h"
#include "Params.h"
#include "SettingsKeys.h"

namespace lw {

TUpdateSettings UpdateSettingsFrom(const TParams& params, const TLayout& layout) {
  TUpdateSettings s;
  s.ControlUrl = params.Value(keys::kProductUpdateUrl);
  s.PublicKey = params.Value(keys::kProductUpdateKey);
  if (s.PublicKey.empty()) s.PublicKey = BuiltInUpdatePublicKey();
  s.Layout = layout;
  return s;
}

void ConfigureUpdateEngine(TNetUpdate& e, const TUpdateSettings& settings) {
  e.UpdateType = httpUpdate;
  e.UpdateConnect = nucNoConnect;
  e.UpdateUpdate = nuuSilent;
  e.URL = settings.ControlUrl;
  e.UpdatePublicKey = settings.PublicKey;
  if (!settings.Layout.ProgramDir.empty()) e.Layout = settings.Layout;
  e.AppDirectory = settings.AppDirectory;
  e.FTPPassive = false;
  e.ExtractCAB = false;
  e.Port = 21;
  e.DateFormat = "dd/mm/yyyy";
  e.DateSeparator = '/';
  e.LastURLEntry = TLastURLEntry{};
  e.PostUpdateInfo.Enabled = false;
}

std::vector<std::string> UpdateVariables(const TUpdateSettings& settings) {
  return {"br=\r\n", "prod_dupdateurl=" + settings.ControlUrl};
}

void ReplaceUpdateVariables(std::string& path, const std::vector<std::string>& variables) {
  for (const std::string& variable : variables) {
    const size_t eq = variable.find('=');
    const std::string token = "<" + variable.substr(0, eq) + ">";
    const std::string value = eq == std::string::npos ? std::string() : variable.substr(eq + 1);
    for (size_t at = path.find(token); at != std::string::npos;
         at = path.find(token, at + value.size()))
      path.replace(at, token.size(), value);
  }
}

}  // namespace lw
